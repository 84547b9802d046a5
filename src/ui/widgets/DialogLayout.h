#pragma once

#include <initializer_list>
#include <utility>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

// A widget under the object name tests and stored settings know it by.
template <class Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

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

    // A field's label as the counter screens place it, right-aligned before the field; the
    // field is its buddy, for its Alt key.
    static QLabel *caption(const QString &text, QWidget *buddy, QWidget *parent);
    // The field's caption in grid cell (row, col) and the field in the cells after it, spanning
    // `columns` columns; the caption belongs to the field's parent. Returns the caption.
    static QLabel *place(QGridLayout *grid, int row, int col, const QString &text, QWidget *field,
                         int columns = 1);
    // A text box of the account dialogs, named for the tests: at most 200 characters, the
    // typing hidden when secret.
    static QLineEdit *lineEdit(QWidget *parent, const QString &name, bool secret = false);
};
