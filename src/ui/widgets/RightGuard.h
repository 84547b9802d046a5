#pragma once

class QString;
class QWidget;

// The check before an action that needs a right of the operator: without it the operator is
// told "没有权限！", and a database that cannot say is shown as any failure of the screen.
// Returns whether the action may go on.
bool mayDo(QWidget *screen, const QString &right);
