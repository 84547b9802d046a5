#pragma once

#include <initializer_list>
#include <utility>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QString>

class QPushButton;
class QVBoxLayout;
class QWidget;

// The layout the small dialogs share: a grid of labelled fields above a right-aligned row of
// "确定(&O)" / "取消(&C)" buttons. Widgets keep the object names tests address them by.
class DialogLayout
{
public:
    struct Buttons
    {
        QPushButton *ok;
        QPushButton *cancel;
        QHBoxLayout *row;
    };
    enum class Enter { PressesOk, HandledByDialog };

    // The OK and Cancel buttons, named okName and cancelName, right-aligned in one row. With
    // PressesOk the OK button is the default; a dialog that moves Enter between its fields
    // itself gets neither button as the (auto-)default.
    static Buttons okCancel(QWidget *dialog, const QString &okName = QStringLiteral("cmdOk"),
                            const QString &cancelName = QStringLiteral("cmdExit"),
                            Enter enter = Enter::PressesOk);
    // One row per label and field; each label is its field's buddy, for its Alt key.
    static QGridLayout *fieldGrid(QWidget *dialog,
                                  std::initializer_list<std::pair<QString, QWidget *>> rows);
    // The dialog's own layout: the fields, then the buttons.
    static QVBoxLayout *stack(QWidget *dialog, QLayout *fields, QLayout *buttons);
};
