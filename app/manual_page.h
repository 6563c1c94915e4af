// The manual page, shown by Help > Manual (F1): the same troff source that
// is installed for man(1), turned into HTML for a text browser.
#pragma once

#include <QString>

class QWidget;

// HTML for the man macros and escapes the manual pages use: .TH .SH .SS .PP
// .TP .B .I and their alternating forms, \fB \fI \fR \fP, \- and \(->.
QString ManualHtml(const QString& troff);

// The viewer's own manual page from the resources, as HTML.
QString ViewerManualHtml();

// A window showing the viewer's manual; one per parent, raised when open.
void ShowManual(QWidget* parent);
