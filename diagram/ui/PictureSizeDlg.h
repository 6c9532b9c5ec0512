#pragma once
// Asks for the size of a picture to be saved: width and height in pixels,
// with the last size as the proposal.

#include <QDialog>
#include <QSize>

class QSpinBox;

namespace korvanta {

class TPictureSizeDlg : public QDialog {
    Q_OBJECT
public:
    // The help topic of memory curves and pictures.
    static constexpr int kHelpContext = 22;
    explicit TPictureSizeDlg(QChar language, QSize proposal, QWidget* parent = nullptr);

    QSize chosenSize() const;

    QSpinBox* WidthEdit;
    QSpinBox* HeightEdit;
};

} // namespace korvanta
