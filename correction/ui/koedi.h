#pragma once
// The correction file editor: a plain text window on the file of one
// correction table, with a single menu item "Save & Test" that saves the
// text, reloads the table, makes it active and asks for the test drawing.
// Closing with unsaved changes asks whether to save. "Unsaved" means the text
// differs from what was last loaded or saved, however it was changed (typing,
// pasting with the mouse, dropping); moving the focus around never discards
// a change. Closing only hides the window; it lives as long as the program.

#include <QMainWindow>

class QAction;
class QPlainTextEdit;

namespace korvanta {

struct CorrectionTable;

class TKorEdit : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 21;
    explicit TKorEdit(QWidget* parent = nullptr);

    // The table to edit; its file's text is loaded into the memo. Returns
    // false (memo empty) when the file cannot be read.
    bool EditTable(CorrectionTable* table);
    CorrectionTable* Table() const { return table_; }

    // "Save & Test": saves the memo to the file the editor was opened on
    // (the table's, even after a refused load emptied it), reloads the table
    // and makes it active, then emits tableSaved. A file that cannot be
    // written is reported and the changes stay in the memo.
    bool testClick();

    // The text was changed since it was last loaded or saved.
    bool Modified() const;
    // 'D' or 'E': caption and close question.
    void SetKorLanguage(char letter);

    QPlainTextEdit* Memo1;
    QAction* test;

signals:
    // The table was saved and reloaded: show the correction test.
    void tableSaved();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormActivate();
    void FormCloseQuery();

    CorrectionTable* table_ = nullptr;
    QString fileName_; // the file being edited
    QString question_;
    QString notCreated_;
    char language_ = 'D';
};

} // namespace korvanta
