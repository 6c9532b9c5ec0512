#include "app/ui/HelpBrowser.h"
#include "platform/LanguageTexts.h"

#include "app/WindowPlacement.h"
#include "platform/ui/WindowFrames.h"

#include "platform/Installation.h"
#include "platform/SharedRoutines.h"

#include <QApplication>
#include <QKeyEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace korvanta {

namespace {
bool hasAnchor(const QTextDocument& doc, const QString& name)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.charFormat().anchorNames().contains(name))
            return true;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorNames().contains(name))
                return true;
    }
    return false;
}

QToolButton* toolButton(QStyle::StandardPixmap icon, QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setIcon(parent->style()->standardIcon(icon));
    return b;
}

constexpr Words kTitle{"Korvanta – Hilfe", "Korvanta – Help"};
// The tool buttons show icons only; their tooltips name them.
constexpr Words kButtonTips[] = {{"Inhalt", "Contents"}, {"Zurück", "Back"}, {"Vor", "Forward"}};
} // namespace

THelpBrowser::THelpBrowser(QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new QTextBrowser(this)), helpFile_(QStringLiteral("krv14fd.html"))
{
    resize(560, 520);
    auto* contents = toolButton(QStyle::SP_DirHomeIcon, this);
    auto* back = toolButton(QStyle::SP_ArrowBack, this);
    auto* forward = toolButton(QStyle::SP_ArrowForward, this);
    buttons_ = {contents, back, forward};
    SetLanguage('D');
    connect(contents, &QToolButton::clicked, this, &THelpBrowser::HelpContents);
    connect(back, &QToolButton::clicked, view_, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, view_, &QTextBrowser::forward);
    connect(view_, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(view_, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);
    view_->setOpenExternalLinks(true);

    auto* bar = new QHBoxLayout;
    bar->addWidget(contents);
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addStretch(1);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    v->addLayout(bar);
    v->addWidget(view_, 1);
}

void THelpBrowser::keyPressEvent(QKeyEvent* event)
{
    // Read and put away, as with the program's dialogs.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QUrl THelpBrowser::HelpFileUrl(const QString& fileName)
{
    // An installed program keeps its pages in its data folder; a build tree
    // or portable copy beside the program.
    for (const QString& dir : {InstalledDataDir(), ProgramDir()}) {
        if (!dir.isEmpty() && QFileInfo(dir + fileName).isFile())
            return QUrl::fromLocalFile(dir + fileName);
    }
    return QUrl(QStringLiteral("qrc:/help/") + fileName);
}

void THelpBrowser::SetHelpFile(const QString& fileName) { helpFile_ = fileName; }

void THelpBrowser::SetLanguage(char letter)
{
    setWindowTitle(Pick(letter, kTitle));
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setToolTip(Pick(letter, kButtonTips[i]));
}

void THelpBrowser::HelpContents() { open(QStringLiteral("contents")); }

void THelpBrowser::HelpContext(int context) { open(QStringLiteral("ctx") + QString::number(context)); }

void THelpBrowser::HelpKeyword(const QString& keyword) { open(keyword); }

QUrl THelpBrowser::CurrentSource() const { return view_->source(); }

void THelpBrowser::open(const QString& anchor)
{
    QUrl url = HelpFileUrl(helpFile_);
    if (view_->source().adjusted(QUrl::RemoveFragment) != url)
        view_->setSource(url);
    // Unknown topics show the contents rather than an arbitrary place.
    const QString target = hasAnchor(*view_->document(), anchor) ? anchor : QStringLiteral("contents");
    url.setFragment(target);
    view_->setSource(url);
    view_->scrollToAnchor(target);
    present();
}

void THelpBrowser::present()
{
    // Help asked for from inside a modal question must be usable while the
    // question waits, so the window then joins the modal chain.
    const bool fromModal = QApplication::activeModalWidget() && QApplication::activeModalWidget() != this;
    const Qt::WindowModality wanted = fromModal ? Qt::ApplicationModal : Qt::NonModal;
    if (windowModality() != wanted) {
        hide();
        setWindowModality(wanted);
    }
    placeOnScreen();
    show();
    raise();
    activateWindow();
}

void THelpBrowser::placeOnScreen()
{
    // First beside the window that asked, later where the user put it; the
    // whole window always on the screen, so its title bar and bottom stay
    // reachable on a small one.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QPoint at = placed_ ? pos() : (owner ? owner->frameGeometry().topRight() + QPoint(kWindowGap, 0) : pos());
    const QRect screen = AvailableAt(owner && !placed_ ? owner->frameGeometry().center() : at);
    const QMargins frame = FrameMarginsOf(this);
    resize(size().boundedTo(screen.size().shrunkBy(frame)));
    MoveFrameTo(this, PulledOnto(FrameAt(this, at), screen).topLeft());
    placed_ = true;
}

} // namespace korvanta
