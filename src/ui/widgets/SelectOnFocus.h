#pragma once

#include <initializer_list>

#include <QObject>

class QWidget;

// A box reached by Tab or a click offers its text for overtyping: it is selected once the
// click or key that brought the focus has placed the cursor. An editable combo box selects
// the text of its edit line. The watcher belongs to the field and goes away with it.
class SelectOnFocus : public QObject
{
    Q_OBJECT
public:
    static void watch(std::initializer_list<QWidget *> fields);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit SelectOnFocus(QWidget *field);
};
