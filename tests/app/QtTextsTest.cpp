// Qt's own dialogs and menus speak the program's language: at start from the
// stored language, and after every switch.

#include "tests/app/AppTestSupport.h"
#include "app/QtTranslations.h"

#include <QAction>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <memory>

using namespace korvanta;

namespace {

// What a user reads on Qt's standard elements.
struct StandardTexts {
    QString yes, no, cancel;   // message box buttons
    QString undo;               // first item of a text field's context menu, with its shortcut
    QString open;               // the file dialog's accept button
    QString colourCancel;       // the colour dialog's Cancel button
    QString print;              // the print dialog's accept button
};

StandardTexts ReadStandardTexts()
{
    StandardTexts t;
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    t.yes = box.button(QMessageBox::Yes)->text();
    t.no = box.button(QMessageBox::No)->text();
    t.cancel = box.button(QMessageBox::Cancel)->text();

    QLineEdit field;
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    t.undo = menu->actions().value(0)->text();

    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptOpen);
    if (auto* buttons = files.findChild<QDialogButtonBox*>())
        t.open = buttons->button(QDialogButtonBox::Open)->text();

    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    if (auto* buttons = colours.findChild<QDialogButtonBox*>())
        t.colourCancel = buttons->button(QDialogButtonBox::Cancel)->text();

    QPrinter printer;
    QPrintDialog printing(&printer);
    if (auto* buttons = printing.findChild<QDialogButtonBox*>())
        t.print = buttons->button(QDialogButtonBox::Ok)->text();
    return t;
}

const StandardTexts German{"&Ja", "&Nein", "Abbrechen", "&Rückgängig\tStrg+Z", "&Öffnen", "Abbrechen", "&Drucken"};
const StandardTexts English{"&Yes", "&No", "Cancel", "&Undo\tCtrl+Z", "&Open", "Cancel", "&Print"};

void ExpectTexts(const StandardTexts& expected, const char* when)
{
    const StandardTexts t = ReadStandardTexts();
    EXPECT_EQ(t.yes, expected.yes) << when;
    EXPECT_EQ(t.no, expected.no) << when;
    EXPECT_EQ(t.cancel, expected.cancel) << when;
    EXPECT_EQ(t.undo, expected.undo) << when;
    EXPECT_EQ(t.open, expected.open) << when;
    EXPECT_EQ(t.colourCancel, expected.colourCancel) << when;
    EXPECT_EQ(t.print, expected.print) << when;
}

struct LanguageCase {
    const char* stored;   // SPRACHE in the settings file
    const StandardTexts* atStart;
    const StandardTexts* afterSwitch;
};

class QtTexts : public MainWindowTest, public ::testing::WithParamInterface<LanguageCase> {
protected:
    void TearDown() override
    {
        MainWindowTest::TearDown();
        UseQtTranslations('E');   // the next test starts as a fresh process would
    }
};

} // namespace

TEST_P(QtTexts, FollowTheChosenLanguage)
{
    const LanguageCase c = GetParam();
    writeSettings(QByteArray("[MAIN]\nSPRACHE=") + c.stored + "\n");
    start();
    ExpectTexts(*c.atStart, "at start");
    main->deutschEnglish1Click();
    ExpectTexts(*c.afterSwitch, "after one switch");
    main->deutschEnglish1Click();
    ExpectTexts(*c.atStart, "after switching back");
}

INSTANTIATE_TEST_SUITE_P(StoredLanguage, QtTexts,
                         ::testing::Values(LanguageCase{"D", &German, &English},
                                           LanguageCase{"E", &English, &German}));

TEST(QtTranslationCatalogue, GermanIsInstalledWithTheProgram)
{
    // Without the catalogue the dialogs silently stay English; the
    // dependency script installs it.
    EXPECT_TRUE(UseQtTranslations('D')) << QtTranslationsDir().toStdString();
    EXPECT_TRUE(UseQtTranslations('E'));
}
