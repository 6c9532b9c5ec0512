#include "ScopePage.h"

#include "SpinButton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace {
// The spin buttons (down and up side by side) take the size their owner gives.
const QSize kSpinSize(32, 18);

QLabel* panelLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(48);
    return l;
}
} // namespace

TScopePage::TScopePage(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);
    Channel1Group = buildChannel(QStringLiteral("Channel 1 or Y"), SCRyposCh1, SpinButton2, VperDiv1, CheckBox1,
                                 QStringLiteral("Pos Ch.1 "), QStringLiteral("Y-Achse Kanal 1"));
    Channel2Group = buildChannel(QStringLiteral("Channel 2 or X"), SCRyposch2, SpinButton1, VperDiv2, CheckBox3,
                                 QStringLiteral("Pos Ch.2 "), QStringLiteral("X-Achse Kanal 2"));
    row->addWidget(Channel1Group);
    row->addWidget(Channel2Group);
    row->addWidget(buildTimebase(), 1);

    // The acquisition comes later.
    for (QWidget* w : findChildren<QWidget*>())
        w->setEnabled(false);
}

QGroupBox* TScopePage::buildChannel(const QString& caption, QScrollBar*& position, TSpinButton*& spin,
                                    QLabel*& scale, QCheckBox*& ground, const QString& positionHint,
                                    const QString& spinHint)
{
    auto* box = new QGroupBox(caption, this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setSpacing(3);
    position = new QScrollBar(Qt::Vertical, box);
    position->setRange(-400, 400);
    position->setToolTip(positionHint);
    scale = panelLabel(QStringLiteral("100mV"), box);
    spin = new TSpinButton(box);
    spin->setFixedSize(kSpinSize);
    spin->setToolTip(spinHint);
    ground = new QCheckBox(QStringLiteral("Gnd"), box);
    grid->addWidget(position, 0, 0, 3, 1);
    grid->addWidget(scale, 0, 1);
    grid->addWidget(spin, 0, 2);
    grid->addWidget(ground, 1, 1, 1, 2);
    grid->setRowStretch(2, 1);
    return box;
}

QGroupBox* TScopePage::buildTimebase()
{
    TimebaseGroup = new QGroupBox(QStringLiteral("Timebase"), this);
    auto* grid = new QGridLayout(TimebaseGroup);
    grid->setContentsMargins(4, 2, 4, 4);
    grid->setSpacing(3);
    Panel3 = panelLabel(QStringLiteral("1ms"), TimebaseGroup);
    SpinButton3 = new TSpinButton(TimebaseGroup);
    SpinButton3->setFixedSize(kSpinSize);
    SpinButton3->setToolTip(QStringLiteral("Zeitablenkung"));
    Label5 = new QLabel(QString(), TimebaseGroup);
    Label5->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    label11 = new QLabel(QStringLiteral("Samplefreq."), TimebaseGroup);
    Label12 = new QLabel(QStringLiteral("44100Hz"), TimebaseGroup);
    Label13 = new QLabel(QStringLiteral("Trigg. Level"), TimebaseGroup);
    SCRtrig = new QScrollBar(Qt::Horizontal, TimebaseGroup);
    SCRtrig->setRange(-200, 200);
    SCRtrig->setToolTip(QStringLiteral("Trigger Level"));
    CheckBox2 = new QCheckBox(QStringLiteral("+ / -"), TimebaseGroup);
    CheckBox2->setChecked(true);
    RadioButton1 = new QRadioButton(QStringLiteral("Ch1"), TimebaseGroup);
    RadioButton2 = new QRadioButton(QStringLiteral("Ch2"), TimebaseGroup);
    RadioButton1->setChecked(true);
    OsziStartStop = new QPushButton(QStringLiteral("Stop"), TimebaseGroup);
    grid->addWidget(Panel3, 0, 0);
    grid->addWidget(SpinButton3, 0, 1);
    grid->addWidget(Label5, 0, 2);
    grid->addWidget(label11, 1, 0);
    grid->addWidget(Label12, 1, 1, 1, 2);
    grid->addWidget(Label13, 2, 0, 1, 3);
    grid->addWidget(SCRtrig, 3, 0, 1, 3);
    grid->addWidget(CheckBox2, 4, 0);
    grid->addWidget(RadioButton1, 4, 1);
    grid->addWidget(RadioButton2, 4, 2);
    grid->addWidget(OsziStartStop, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);
    return TimebaseGroup;
}

void TScopePage::EnterScopePage()
{
    // The oscilloscope's entry (display window, first frame) joins here.
}

void TScopePage::LeaveScopePage()
{
    // Leaving will stop the acquisition; none can run yet.
}
