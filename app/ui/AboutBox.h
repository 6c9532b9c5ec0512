#pragma once
// The information box ("Info"): program icon, product name, version line and
// a few lines about the program and the sound system in use.

#include <QDialog>

class QLabel;
class QPushButton;

namespace korvanta {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // The sound system line ("ALSA", "virtual card" ...).
    void SetSoundSystem(const QString& name);
    void SetAboutLanguage(char letter);

    QLabel* ProgramIconLabel;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Comments;
    QLabel* SoundSystem;
    QPushButton* OKButton;

private:
    QString soundSystem_;
    char language_ = 'D';
    void updateTexts();
};

} // namespace korvanta
