#include "platform/ui/WhyGrey.h"

#include <QAction>
#include <QEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolTip>
#include <QVariant>
#include <QWidget>

namespace korvanta {

namespace {
constexpr char kWhyGerman[] = "korvantaWhyGreyDe";
constexpr char kWhyEnglish[] = "korvantaWhyGreyEn";
constexpr char kOwnTip[] = "korvantaOwnTip";  // what the tooltip says while the item can be used
constexpr char kLetter[] = "korvantaWhyLetter";  // the language the reason was last given in
constexpr char kWatched[] = "korvantaWhyWatched";

// A menu shows as the item of its parent menu: that item carries the tip.
QObject* shownItem(QObject* item)
{
    if (auto* m = qobject_cast<QMenu*>(item))
        return m->menuAction();
    return item;
}

// The tooltip as set, not the text an action shows when it has none.
QString ownTip(const QObject* item)
{
    if (auto* a = qobject_cast<const QAction*>(item))
        return a->toolTip() == QString(a->text()).remove(QLatin1Char('&')).remove(QStringLiteral("...")) ? QString()
                                                                                                       : a->toolTip();
    if (auto* w = qobject_cast<const QWidget*>(item))
        return w->toolTip();
    return QString();
}

void setTip(QObject* item, const QString& tip)
{
    if (auto* a = qobject_cast<QAction*>(item))
        a->setToolTip(tip);
    else if (auto* w = qobject_cast<QWidget*>(item))
        w->setToolTip(tip);
}

bool enabled(const QObject* item)
{
    if (auto* a = qobject_cast<const QAction*>(item))
        return a->isEnabled();
    if (auto* w = qobject_cast<const QWidget*>(item))
        return w->isEnabled();
    return true;
}

bool showsWhy(const QObject* item)
{
    const QString tip = ownTip(item);
    return !tip.isEmpty() && (tip == item->property(kWhyGerman).toString() || tip == item->property(kWhyEnglish).toString());
}

// Grey: the reason, the item's own tooltip kept aside. Usable: its own
// tooltip back.
void applyReason(QObject* item, char letter)
{
    item->setProperty(kLetter, QChar::fromLatin1(letter));
    if (!item->property(kWhyGerman).isValid())
        return;
    const bool why = showsWhy(item);
    if (enabled(item)) {
        if (why)
            setTip(item, item->property(kOwnTip).toString());
        return;
    }
    if (!why)
        item->setProperty(kOwnTip, ownTip(item));
    setTip(item, item->property(letter == 'E' ? kWhyEnglish : kWhyGerman).toString());
}
// Whoever enables or disables the item later, directly, its tooltip follows.
class EnabledWatcher : public QObject {
public:
    explicit EnabledWatcher(QObject* item) : QObject(item) { item->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange)
            reapply(watched);
        return false;
    }

    static void reapply(QObject* item) { applyReason(item, item->property(kLetter).toChar().toLatin1()); }
};

void watch(QObject* item)
{
    if (item->property(kWatched).toBool())
        return;
    item->setProperty(kWatched, true);
    if (auto* a = qobject_cast<QAction*>(item))
        QObject::connect(a, &QAction::enabledChanged, a, [a] { EnabledWatcher::reapply(a); });
    else
        new EnabledWatcher(item);
}
} // namespace

void SetUsable(QObject* item, bool on, const Words& why, char letter)
{
    SetUsable(item, on, QString::fromUtf8(why.de), QString::fromUtf8(why.en), letter);
}

void SetUsable(QObject* item, bool on, const QString& whyGerman, const QString& whyEnglish, char letter)
{
    if (!item)
        return;
    if (auto* a = qobject_cast<QAction*>(item))
        a->setEnabled(on);
    else if (auto* w = qobject_cast<QWidget*>(item))
        w->setEnabled(on);
    QObject* shown = shownItem(item);
    watch(shown);
    if (showsWhy(shown))
        setTip(shown, shown->property(kOwnTip).toString());
    shown->setProperty(kWhyGerman, whyGerman);
    shown->setProperty(kWhyEnglish, whyEnglish);
    if (whyGerman.isEmpty() && whyEnglish.isEmpty())
        return;  // no reason kept: the item is as it was before it had one
    applyReason(shown, letter);
}

std::pair<QString, QString> WhyOf(const QObject* item)
{
    if (!item)
        return {};
    const QObject* shown = shownItem(const_cast<QObject*>(item));
    return {shown->property(kWhyGerman).toString(), shown->property(kWhyEnglish).toString()};
}

void RefreshWhyGrey(QObject* root, char letter)
{
    if (!root || (letter != 'D' && letter != 'E'))
        return;
    for (QObject* o : root->findChildren<QObject*>())
        applyReason(o, letter);
}

namespace {
class MenuBarReasons : public QObject {
public:
    explicit MenuBarReasons(QMenuBar* bar) : QObject(bar), bar_(bar) { bar->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != bar_ || event->type() != QEvent::ToolTip)
            return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        QAction* a = bar_->actionAt(help->pos());
        if (!a || a->isEnabled() || !showsWhy(a))
            return false;
        QToolTip::showText(help->globalPos(), a->toolTip(), bar_, bar_->actionGeometry(a));
        return true;
    }

private:
    QMenuBar* bar_;
};
} // namespace

void ShowWhyGreyIn(QMenuBar* bar)
{
    constexpr char kShowsReasons[] = "korvantaShowsWhyGrey";
    if (!bar || bar->property(kShowsReasons).toBool())
        return;
    bar->setProperty(kShowsReasons, true);
    new MenuBarReasons(bar);
}

} // namespace korvanta
