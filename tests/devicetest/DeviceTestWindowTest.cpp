// The device test window on the virtual card, through the real main window
// and its "Analyse" menu: a run the checks refuse shows the check's message
// and no figures; a self-test fills the table, stores the card's reference
// and saves a report that reads back; the next run shows the card's values
// beside its own; a run stopped by another loop keeps what it measured,
// marked incomplete; the note and the switch survive a restart.
#include "app/ui/DeviceTestMenu.h"
#include "app/ui/DiagramMenus.h"
#include "devicetest/DtJson.h"
#include "devicetest/DtReference.h"
#include "devicetest/DtScreenRows.h"
#include "devicetest/ui/DeviceTestWindow.h"
#include "diagram/ui/Diagr3.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenuBar>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

using namespace korvanta;

namespace {

constexpr int kRunWaitMs = 180000;

class DeviceTestWindowTest : public MainWindowTest {
protected:
    void open(const DutConfig& dut = {})
    {
        // The virtual master follows the output volume: full, as a loop cable is.
        writeSettings("[VOLUME]\nFGVOLUME=100\n");
        start();
        VirtualCard::instance().setDut(dut);
        main->DeviceTestMenu->DeviceTest1->trigger();
        window = Forms().DeviceTest;
        ASSERT_TRUE(window && window->isVisible());
    }

    // Starts and waits for the run's end, answering every box with OK.
    void run()
    {
        modals.clear();
        window->StartButton->click();
        ASSERT_TRUE(window->Engine()->Running()) << modals.messageTexts().join('\n').toStdString();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !window->Engine()->Running(); }, kRunWaitMs));
        QApplication::processEvents();
    }

    const DtFigure* figure(const char* id, DtChannel channel) const
    {
        for (const DtFigure& f : window->Result().figures)
            if (f.id == QLatin1String(id) && f.channel == channel)
                return &f;
        return nullptr;
    }

    TDeviceTestWindow* window = nullptr;
};

TEST_F(DeviceTestWindowTest, ARefusedRunShowsTheChecksMessageAndNoFigures)
{
    DutConfig muted;
    muted.gainDb[0] = muted.gainDb[1] = -300.0;   // nothing reaches the input
    open(muted);
    run();
    const QStringList boxes = modals.messageTexts();
    ASSERT_EQ(boxes.size(), 1) << boxes.join("\n---\n").toStdString();
    EXPECT_TRUE(window->Status->text().contains(boxes.first())) << window->Status->text().toStdString();
    EXPECT_EQ(window->Table->rowCount(), 0);
    EXPECT_TRUE(window->Result().figures.empty());
    EXPECT_FALSE(window->Result().complete);
    EXPECT_FALSE(window->SaveButton->isEnabled());
    EXPECT_FALSE(window->SaveButton->toolTip().isEmpty()) << "a grey button says why";
    for (QPushButton* b : window->PlotButtons)
        EXPECT_FALSE(b->isEnabled());
    EXPECT_FALSE(window->Engine()->TonePlaying());
    EXPECT_TRUE(window->StartButton->isEnabled());
}

TEST_F(DeviceTestWindowTest, ASelfTestFillsTheTableStoresTheReferenceAndSavesAReport)
{
    // A card with a noise floor of its own, so its floor is a number.
    DutConfig card;
    card.noiseDb = -100.0;
    open(card);
    window->Note->setText(QStringLiteral("Schleifenkabel"));
    window->SelfTest->setChecked(true);
    run();
    const DeviceTestResult& result = window->Result();
    ASSERT_TRUE(result.complete) << result.error.toStdString() << modals.messageTexts().join('\n').toStdString();
    EXPECT_TRUE(modals.messageTexts().isEmpty()) << modals.messageTexts().join('\n').toStdString();
    ASSERT_FALSE(result.figures.empty());
    ASSERT_EQ(window->Table->rowCount(), int(result.figures.size()));
    for (int row = 0; row < window->Table->rowCount(); ++row) {
        const QStringList cells = DtFigureCells(result.figures[size_t(row)], 'D');
        for (int c = 0; c < cells.size(); ++c)
            EXPECT_EQ(window->Table->item(row, c)->text(), cells[c]) << "row " << row << " column " << c;
    }
    EXPECT_TRUE(window->SaveButton->isEnabled());

    // The card's reference is stored under its key.
    const DtReferenceStore store;
    EXPECT_TRUE(QFile::exists(store.fileFor(DtCardKey::Of(result.header))));

    // Saved through the button, and read back as the command and the comparison read it.
    const QString path = dir.file(QStringLiteral("report.json"));
    modals.answerFile(path);
    window->SaveButton->click();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    DeviceTestResult back;
    QString error;
    ASSERT_TRUE(DtResultFromJson(file.readAll(), back, error)) << error.toStdString();
    EXPECT_TRUE(back.complete);
    EXPECT_TRUE(back.header.selfTest);
    EXPECT_EQ(back.header.note, QStringLiteral("Schleifenkabel"));
    EXPECT_EQ(back.figures.size(), result.figures.size());

    // A plot opens in the window's own diagram, not the main one.
    QPushButton* response = window->PlotButtons[0];
    ASSERT_TRUE(response->isEnabled());
    response->click();
    EXPECT_TRUE(window->Diagram->isVisible());
    EXPECT_NE(window->Diagram, Forms().Diagramm);
    EXPECT_GT(window->Diagram->GetLastIndex(), 0);

    // The next run of a device is measured against the card's own values.
    window->SelfTest->setChecked(false);
    run();
    ASSERT_TRUE(window->Result().complete);
    const DtFigure* noise = figure(dtid::Noise, DtChannel::Left);
    ASSERT_TRUE(noise && noise->reference) << window->Status->text().toStdString();
    // The same card through the same cable: its noise is the card's.
    EXPECT_TRUE(noise->limitedByCard);
    EXPECT_FALSE(window->Table->item(0, int(DtColumn::Reference))->text().isEmpty());
}

TEST_F(DeviceTestWindowTest, ARunStoppedByAnotherLoopKeepsWhatItMeasuredMarkedIncomplete)
{
    open();
    int steps = 0;
    QObject::connect(window->Engine(), &DeviceTestEngine::stepDone, window, [&] { ++steps; });
    window->StartButton->click();
    ASSERT_TRUE(window->Engine()->Running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return steps >= 4 || !window->Engine()->Running(); }, kRunWaitMs));
    ASSERT_TRUE(window->Engine()->Running()) << "the run ended before it could be stopped";
    // Another loop starts: the main window stops everything else.
    main->StopAll(MeasuringLoop::Sweep);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Engine()->Running(); }, 5000));
    QApplication::processEvents();
    EXPECT_FALSE(window->Result().complete);
    EXPECT_FALSE(window->Engine()->TonePlaying());
    EXPECT_EQ(window->Table->rowCount(), int(window->Result().figures.size()));
    EXPECT_FALSE(window->SaveButton->isEnabled()) << "an incomplete run is no report";
    EXPECT_TRUE(modals.messageTexts().isEmpty()) << "a stop is no error";
    const QString status = window->Status->text();
    EXPECT_TRUE(status.contains(QStringLiteral("Unvollständig"))) << status.toStdString();
}

TEST_F(DeviceTestWindowTest, ItsMenuBarActsOnItsOwnDiagram)
{
    open();
    window->ShowDiagram();
    TDiagramm& d = *window->Diagram;
    ASSERT_TRUE(d.isVisible());
    QStringList titles;
    for (const QAction* a : window->Menus->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&Datei", "&Bearbeiten", "&Kurvenspeicher"}));
    // Copy copies this diagram, not the main one.
    d.SetInfoLine(QStringLiteral("device test diagram"));
    QGuiApplication::clipboard()->clear();
    main->DeviceTestMenu->DiagramMenus->CopyItem->trigger();
    QImage expected(d.Bitmap().size(), QImage::Format_RGB32);
    d.RenderDiagramTo(expected, true);
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), expected);
    main->deutschEnglish1Click();
    EXPECT_EQ(window->Menus->actions().first()->text(), QStringLiteral("&File"));
}

TEST_F(DeviceTestWindowTest, TheNoteAndTheSelfTestSwitchSurviveARestart)
{
    open();
    window->Note->setText(QStringLiteral("Vorverstärker, Eingang 2"));
    window->SelfTest->setChecked(true);
    restart();
    TDeviceTestWindow* again = Forms().DeviceTest;
    EXPECT_EQ(again->Note->text(), QStringLiteral("Vorverstärker, Eingang 2"));
    EXPECT_TRUE(again->SelfTest->isChecked());
    main->deutschEnglish1Click();
    EXPECT_EQ(again->windowTitle(), QStringLiteral("Device test"));
    EXPECT_EQ(main->DeviceTestMenu->DeviceTest1->text(), QStringLiteral("D&evice test..."));
}

} // namespace
