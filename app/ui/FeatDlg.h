#pragma once
// The feature list: the device log (capability report, mixer enumeration,
// error lines) in a list, with "Save" writing it to "featlist.txt" in the
// current directory.

#include <QDialog>

class QListWidget;
class QPushButton;

namespace korvanta {

inline constexpr int kFeatureListHelpContext = 11;

class TFeatDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFeatDlg(QWidget* parent = nullptr);

    // Fills the list: a line of dashes, then the device log.
    void LoadDeviceLog();
    // Writes the list to "featlist.txt" in the current directory. A failure
    // is not reported; the result says whether the file was written.
    bool SaveButtonClick();
    // 'D' "Feature Liste", 'E' "Feature list"; other letters change nothing.
    void SetFeatLanguage(char letter);

    QListWidget* SrcList;
    QPushButton* SaveButton;
    QPushButton* OKButton;
};

} // namespace korvanta
