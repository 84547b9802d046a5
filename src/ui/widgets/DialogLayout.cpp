#include "ui/widgets/DialogLayout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

DialogLayout::Buttons DialogLayout::okCancel(QWidget *dialog, const QString &okName,
                                             const QString &cancelName, Enter enter)
{
    Buttons b;
    b.ok = new QPushButton(QStringLiteral("确定(&O)"), dialog);
    b.ok->setObjectName(okName);
    b.cancel = new QPushButton(QStringLiteral("取消(&C)"), dialog);
    b.cancel->setObjectName(cancelName);
    if (enter == Enter::PressesOk) {
        b.ok->setDefault(true);
    } else {
        b.ok->setAutoDefault(false);
        b.cancel->setAutoDefault(false);
    }
    b.row = new QHBoxLayout;
    b.row->addStretch();
    b.row->addWidget(b.ok);
    b.row->addWidget(b.cancel);
    return b;
}

QGridLayout *DialogLayout::fieldGrid(QWidget *dialog,
                                     std::initializer_list<std::pair<QString, QWidget *>> rows)
{
    auto *grid = new QGridLayout;
    int row = 0;
    for (const auto &[text, field] : rows) {
        auto *label = new QLabel(text, dialog);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    }
    return grid;
}

QVBoxLayout *DialogLayout::stack(QWidget *dialog, QLayout *fields, QLayout *buttons)
{
    auto *main = new QVBoxLayout(dialog);
    main->addLayout(fields);
    main->addLayout(buttons);
    return main;
}

QLabel *DialogLayout::caption(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLabel *DialogLayout::place(QGridLayout *grid, int row, int col, const QString &text,
                            QWidget *field, int columns)
{
    QLabel *label =
        caption(text, field, grid->parentWidget() ? grid->parentWidget() : field->parentWidget());
    grid->addWidget(label, row, col);
    grid->addWidget(field, row, col + 1, 1, columns);
    return label;
}

QLineEdit *DialogLayout::lineEdit(QWidget *parent, const QString &name, bool secret)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(200);
    if (secret)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}
