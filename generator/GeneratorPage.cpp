#include "GeneratorPage.h"

#include "Wavegene.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
QScrollBar* levelBar(QWidget* parent)
{
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setRange(0, 100);
    bar->setValue(0);  // position = 100 - percent; 100 % at the top
    return bar;
}
} // namespace

TGeneratorPage::TGeneratorPage(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);
    row->addWidget(buildSweepColumn());
    row->addWidget(buildLevelBox());
    Generator = new QGroupBox(QStringLiteral(" Generator "), this);
    auto* g = new QVBoxLayout(Generator);
    g->setContentsMargins(4, 2, 4, 4);
    g->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("zurück"), Generator);
    g->addWidget(Button1, 0, Qt::AlignRight);
    row->addWidget(Generator, 1);

    // The sweep and the mixer levels come later; "zurück" waits for the
    // generator window.
    for (QWidget* w : findChildren<QWidget*>())
        w->setEnabled(false);
    Generator->setEnabled(true);
    connect(Button1, &QPushButton::clicked, this, &TGeneratorPage::Button1Click);
}

void TGeneratorPage::SetGeneratorWindow(TWavegen* generator)
{
    generator_ = generator;
    Button1->setEnabled(generator != nullptr);
    if (!generator)
        return;
    // The docked window covers the group's client area; "zurück" stays
    // visible below it.
    const QMargins m = Generator->contentsMargins();
    Generator->setMinimumSize(generator->frameGeometry().width() + m.left() + m.right(),
                              generator->frameGeometry().height() + m.top() + m.bottom()
                                  + Button1->sizeHint().height() + 4);
}

QWidget* TGeneratorPage::buildSweepColumn()
{
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(3);
    Wobbeln = new QGroupBox(QStringLiteral("Wobbeln"), w);
    auto* box = new QVBoxLayout(Wobbeln);
    box->setContentsMargins(4, 2, 4, 4);
    box->setSpacing(2);
    wobbelnBut = new QPushButton(QStringLiteral("START"), Wobbeln);
    WobDialogBut = new QPushButton(QStringLiteral("Setup"), Wobbeln);
    Panel2 = new QFrame(Wobbeln);
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    auto* panel = new QHBoxLayout(Panel2);
    panel->setContentsMargins(2, 1, 2, 1);
    Label7 = new QLabel(QStringLiteral("Pegel L R "), Panel2);
    panel->addWidget(Label7);
    box->addWidget(wobbelnBut);
    box->addWidget(WobDialogBut);
    box->addWidget(Panel2);
    STOPbut = new QPushButton(QStringLiteral("STOP"), w);
    auto* freq = new QHBoxLayout;
    FreqText = new QLabel(QStringLiteral("20000.0"), w);
    FreqText->setFrameShape(QFrame::Panel);
    FreqText->setFrameShadow(QFrame::Sunken);
    FreqText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    HzLabel = new QLabel(QStringLiteral("Hz"), w);
    freq->addWidget(FreqText, 1);
    freq->addWidget(HzLabel);
    auto* inp = new QHBoxLayout;
    InpLabel = new QLabel(QStringLiteral("Inp:"), w);
    Wobinptxt = new QLabel(QString(), w);
    inp->addWidget(InpLabel);
    inp->addWidget(Wobinptxt, 1);
    v->addWidget(Wobbeln);
    v->addWidget(STOPbut);
    v->addLayout(freq);
    v->addLayout(inp);
    v->addStretch(1);
    return w;
}

QGroupBox* TGeneratorPage::buildLevelBox()
{
    Pegelbox = new QGroupBox(QStringLiteral("Level"), this);
    auto* grid = new QGridLayout(Pegelbox);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setSpacing(2);
    InOutLabel = new QLabel(QStringLiteral("In       Out"), Pegelbox);
    ScrollBar1 = levelBar(Pegelbox);
    ScrollBar2 = levelBar(Pegelbox);
    Label1 = new QLabel(QStringLiteral("100%"), Pegelbox);
    Label8 = new QLabel(QStringLiteral("100%"), Pegelbox);
    Button2 = new QPushButton(QStringLiteral("Out-Para"), Pegelbox);
    grid->addWidget(InOutLabel, 0, 0, 1, 2);
    grid->addWidget(ScrollBar1, 1, 0, Qt::AlignHCenter);
    grid->addWidget(ScrollBar2, 1, 1, Qt::AlignHCenter);
    grid->addWidget(Label1, 2, 0);
    grid->addWidget(Label8, 2, 1);
    grid->addWidget(Button2, 3, 0, 1, 2);
    grid->setRowStretch(1, 1);
    return Pegelbox;
}

void TGeneratorPage::EnterSweepPage()
{
    if (!generator_)
        return;
    dockGenerator(false);
    generator_->StayOnTop(true);
    generator_->show();
    generator_->raise();
}

void TGeneratorPage::LeaveSweepPage()
{
    if (generator_)
        generator_->StayOnTop(false);
}

void TGeneratorPage::Button1Click()
{
    if (!generator_)
        return;
    dockGenerator(true);
    generator_->show();
    generator_->raise();
}

void TGeneratorPage::dockGenerator(bool force)
{
    const QPoint at = GeneratorDockPoint();
    generator_->Dock(at.x(), at.y(), force);
}

QPoint TGeneratorPage::GeneratorDockPoint() const
{
    return Generator->mapToGlobal(Generator->contentsRect().topLeft());
}
