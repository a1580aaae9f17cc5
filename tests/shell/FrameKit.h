// Helpers of the frame's window tests: running the event loop until a
// condition holds, the terminal's text, and answering the modal dialogs a
// command opens.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "terminal/HangulCodec.h"
#include "terminal/ui/CAnsiTerm.h"

namespace velo::test {

inline bool PumpUntil(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer until(ms);
    while (!until.hasExpired()) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

// The text of history rows first..LinesUsed()-1 (the screen is the last
// Rows() of them).
inline std::string RowsText(CAnsiTerm* t, int first)
{
    std::string all;
    const Terminal& m = t->Term();
    for (int h = std::max(0, first); h < m.LinesUsed(); ++h) {
        std::string_view row(reinterpret_cast<const char*>(m.HistoryLine(h).text), size_t(m.Columns()));
        all += hangul::DecodeToUtf8(row, m.DisplayCode());
        all += '\n';
    }
    return all;
}
inline std::string ScreenText(CAnsiTerm* t) { return RowsText(t, t->Term().LinesUsed() - t->Term().Rows()); }
inline std::string HistoryText(CAnsiTerm* t) { return RowsText(t, 0); }

// Answers modal dialogs as they open: each step gets the next modal window
// (a nested one included) and must close it, directly or by clicking; the
// step runs from the event loop, so a click may open a further dialog.
class Modals {
public:
    using Step = std::function<void(QWidget*)>;
    Modals()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(20);
    }
    Modals& Then(Step step)
    {
        steps_.push_back(std::move(step));
        return *this;
    }
    bool Done() const { return next_ == steps_.size(); }
    // The texts of the message boxes answered, in order.
    std::vector<QString> texts;

    // A step answering a message box with one of its buttons.
    Step Answer(QMessageBox::StandardButton b)
    {
        return [this, b](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box)
                return;
            texts.push_back(box->text());
            box->button(b)->click();
        };
    }

private:
    void Poll()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == current_ || next_ >= steps_.size())
            return;
        current_ = w;
        Step step = steps_[next_++];
        QPointer<QWidget> target = w;
        QTimer::singleShot(0, w, [step, target] {
            if (target)
                step(target);
        });
    }
    std::vector<Step> steps_;
    size_t next_ = 0;
    QPointer<QWidget> current_;
    QTimer timer_;
};

}  // namespace velo::test
