#include "app/ui/FeatDlg.h"

#include "platform/DeviceLog.h"
#include "platform/ModalQuestions.h"
#include "platform/ui/HelpKey.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace korvanta {

TFeatDlg::TFeatDlg(QWidget* parent) : QDialog(parent)
{
    AddHelpKey(this, kFeatureListHelpContext);
    setWindowTitle(QStringLiteral("Feature Liste"));
    resize(460, 380);
    SrcList = new QListWidget(this);
    SrcList->setFont(QFont(QStringLiteral("Liberation Mono"), 9));
    SaveButton = new QPushButton(QStringLiteral("Save"), this);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    connect(SaveButton, &QPushButton::clicked, this, &TFeatDlg::SaveButtonClick);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SaveButton);
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    auto* v = new QVBoxLayout(this);
    v->addWidget(SrcList, 1);
    v->addLayout(buttons);
}

void TFeatDlg::LoadDeviceLog()
{
    SrcList->clear();
    SrcList->addItem(QStringLiteral("--------------------------"));
    SrcList->addItems(devlog::Lines());
}

bool TFeatDlg::SaveButtonClick()
{
    QSaveFile file(QStringLiteral("featlist.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    for (int i = 0; i < SrcList->count(); ++i)
        file.write((SrcList->item(i)->text() + QLatin1Char('\n')).toUtf8());
    return file.commit();
}

void TFeatDlg::SetFeatLanguage(char letter)
{
    if (letter == 'D')
        setWindowTitle(QStringLiteral("Feature Liste"));
    else if (letter == 'E')
        setWindowTitle(QStringLiteral("Feature list"));
    if (letter == 'D' || letter == 'E')
        SaveButton->setText(letter == 'E' ? QStringLiteral("Save") : QStringLiteral("Speichern"));
}

} // namespace korvanta
