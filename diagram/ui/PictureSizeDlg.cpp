#include "diagram/ui/PictureSizeDlg.h"

#include "diagram/DiaPicture.h"
#include "platform/ui/HelpKey.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace korvanta {

TPictureSizeDlg::TPictureSizeDlg(QChar language, QSize proposal, QWidget* parent) : QDialog(parent)
{
    AddHelpKey(this, kHelpContext);
    const bool en = language == QLatin1Char('E');
    setWindowTitle(en ? QStringLiteral("Picture size") : QStringLiteral("Bildgröße"));
    auto* form = new QFormLayout(this);
    auto spin = [this](int min, int value) {
        auto* s = new QSpinBox(this);
        s->setRange(min, PictureMaxSide);
        s->setValue(value);
        s->setSuffix(QStringLiteral(" px"));
        return s;
    };
    WidthEdit = spin(PictureMinWidth, proposal.width());
    HeightEdit = spin(PictureMinHeight, proposal.height());
    form->addRow(en ? QStringLiteral("Width:") : QStringLiteral("Breite:"), WidthEdit);
    form->addRow(en ? QStringLiteral("Height:") : QStringLiteral("Höhe:"), HeightEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QSize TPictureSizeDlg::chosenSize() const { return QSize(WidthEdit->value(), HeightEdit->value()); }

} // namespace korvanta
