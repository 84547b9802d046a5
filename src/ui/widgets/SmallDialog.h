#pragma once

#include <initializer_list>
#include <utility>

#include <QDialog>
#include <QString>

class QGridLayout;
class QHBoxLayout;
class QLayout;
class QPushButton;

// The skeleton of the counter's small dialogs: labelled fields above "确定(&O)" / "取消(&C)",
// the counter font, and `OK` for the caller to read after exec(). A dialog sets its fields up,
// then calls build() once; OK runs cmdOk_Click() (the default button, so Enter in a field
// presses it), Exit runs cmdExit_Click(), which by default answers "not OK" and closes.
class SmallDialog : public QDialog
{
    Q_OBJECT
public:
    using Rows = std::initializer_list<std::pair<QString, QWidget *>>;

    bool OK() const { return m_ok; }

    virtual void cmdOk_Click() = 0;
    virtual void cmdExit_Click();

    QPushButton *cmdOk;
    QPushButton *cmdExit;

protected:
    // objectName and title name the dialog; okName and exitName its buttons.
    SmallDialog(QWidget *parent, const QString &objectName, const QString &title,
                const QString &okName = QStringLiteral("cmdOk"),
                const QString &exitName = QStringLiteral("cmdExit"));

    // One row per caption and field above the buttons; returns the grid for extra columns.
    QGridLayout *build(Rows rows);
    // A dialog with a layout of its own above the buttons.
    void build(QLayout *fields);

    bool m_ok = false;

private:
    QHBoxLayout *m_buttonRow; // laid out by build()
};
