#pragma once

#include <initializer_list>

#include "ui/widgets/SmallDialog.h"

// The back office's record dialogs: Enter goes from field to field and on to "确定(&O)",
// Ctrl+S saves from anywhere, Esc closes without saving. A refusal keeps what was typed and
// puts the focus on the field it names.
class RecordDialog : public SmallDialog
{
    Q_OBJECT
protected:
    RecordDialog(QWidget *parent, const QString &objectName, const QString &title);
    // Links the fields in this order to the OK button; the first one takes the focus.
    void chain(std::initializer_list<QWidget *> fields);
};
