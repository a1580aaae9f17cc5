// "고수들": the hall of fame. Opened with a new score after a game (which is
// entered and gets a name field) or from the menu to look at the table. OK
// writes the table back to the profile; Esc or the close button write nothing,
// so a new entry is then lost.
#pragma once

#include <QDialog>
#include <optional>

#include "game/HallOfFame.h"

class QLineEdit;
class QPushButton;

namespace car {

class FameDialog : public QDialog {
    Q_OBJECT
public:
    // newScore empty: a view from the menu, nothing entered.
    FameDialog(Profile& profile, std::optional<int> newScore, QWidget* parent = nullptr);

    // The place of the new entry 0..4, or HallOfFame::kPlaces when none.
    int Place() const { return place_; }
    QLineEdit* NameField(int place) const { return names_[place]; }
    QLineEdit* ScoreField(int place) const { return scores_[place]; }
    QPushButton* OkButton() const { return ok_; }
    // False when OK could not write the table.
    bool Saved() const { return saved_; }

    void accept() override;

private:
    Profile& profile_;
    HallOfFame fame_;
    int place_ = HallOfFame::kPlaces;
    bool saved_ = false;
    QLineEdit* names_[HallOfFame::kPlaces] = {};
    QLineEdit* scores_[HallOfFame::kPlaces] = {};
    QPushButton* ok_ = nullptr;
};

}  // namespace car
