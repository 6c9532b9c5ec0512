#pragma once
// The help window: the help file of the current language (an HTML page per
// language in the program's data folder when installed, else in the program's
// directory, with a built-in copy as fallback),
// opened at its contents or at a context number. Context numbers are the
// anchors "ctx<number>" of the page; a number without an anchor opens the
// contents.

#include <QUrl>
#include <array>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace korvanta {

class THelpBrowser : public QWidget {
    Q_OBJECT
public:
    explicit THelpBrowser(QWidget* parent = nullptr);

    // The help file by name ("krv14fd.html"); takes effect at the next
    // request.
    void SetHelpFile(const QString& fileName);
    // Title and button tooltips in German ('D') or English ('E').
    void SetLanguage(char letter);
    QString HelpFile() const { return helpFile_; }

    void HelpContents();
    void HelpContext(int context);
    // Opens the page at a named topic ("DCMOffset").
    void HelpKeyword(const QString& keyword);

    // Where the page and anchor shown now come from.
    QUrl CurrentSource() const;

    // The help file in the installed program's data folder or beside the
    // program, else the built-in copy.
    static QUrl HelpFileUrl(const QString& fileName);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::array<QToolButton*, 3> buttons_{};  // contents, back, forward
    void open(const QString& anchor);
    void present();
    void placeOnScreen();

    QTextBrowser* view_;
    QString helpFile_;
    bool placed_ = false;
};

} // namespace korvanta
