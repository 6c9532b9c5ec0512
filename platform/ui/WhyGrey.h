#pragma once
// A grey menu item or control says why it is grey: its tooltip gives the
// reason in the language of the moment, and is cleared when it can be used
// again. The reason is kept with the item, so a language switch can give it
// again in the other language.

#include "platform/LanguageTexts.h"

#include <QString>
#include <utility>

class QMenuBar;
class QObject;

namespace korvanta {

// Enables or disables `item` (a QAction, a QMenu or any other widget);
// disabled, its tooltip says `why` in `letter` ('E' English, else German).
void SetUsable(QObject* item, bool on, const Words& why, char letter);
// The same with a reason kept from an earlier call (WhyOf).
void SetUsable(QObject* item, bool on, const QString& whyGerman, const QString& whyEnglish, char letter);
// The reason `item` carries, German and English; empty when it has none.
std::pair<QString, QString> WhyOf(const QObject* item);

// Gives every grey item under `root` its reason again in `letter`.
void RefreshWhyGrey(QObject* root, char letter);

// A menu bar shows no tooltips of its menus' titles: from now on `bar`
// shows a grey menu's reason while the mouse rests on its title.
void ShowWhyGreyIn(QMenuBar* bar);

} // namespace korvanta
