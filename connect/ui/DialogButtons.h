// "확인" and "취소" under a dialog, wired to accept and reject.
#pragma once

class QDialog;
class QDialogButtonBox;

namespace velo {

QDialogButtonBox* OkCancelButtons(QDialog* dialog);

}  // namespace velo
