#pragma once
// The dialogs that put the program's modal questions to the user: message
// boxes, file dialogs, the colour picker, the text question and the print
// dialog. Installed once by the windows; a test hook still comes first.

class QPrinter;
class QWidget;

namespace korvanta {

namespace modal {

// Makes the questions of ModalQuestions.h show real dialogs.
void UseDialogs();

// Parent for the dialogs (normally the main window); may be null.
void SetDialogParent(QWidget* parent);

// The printer selection dialog. True when the user chose to print.
bool PrintDialog(QPrinter& printer);

} // namespace modal

} // namespace korvanta
