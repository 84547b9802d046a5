#pragma once

#include <functional>
#include <map>
#include <typeindex>

#include <QMainWindow>
#include <QPointer>

class QAction;
class QLabel;
class QMenu;

// The program's only top-level window: the command bar with the two menus and the exit
// command, the picture area, the status bar. Every function is reached through a tool of the
// command bar: the dispatch table below checks the operator's right and opens the form.
class FrmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Who may run a command: everyone, managers only, or holders of a right key.
    enum class Right { None, Manager, Grant };

    struct Command
    {
        QString key; // matched against the tool name without regard to case
        Right right = Right::None;
        QString grantKey; // for Right::Grant
        QString refusal;  // shown when the check fails
        std::function<void()> action;
    };

    explicit FrmMain(QWidget *parent = nullptr);

    // Status texts and the retail price style; errors reach the caller (start-up ends).
    void Form_Load();

    // The command bar's tool click: the first row whose key matches the tool name acts. A
    // name without a row does nothing. Errors are shown; the window stays usable.
    void actBar_ToolClick(const QString &toolName);

    // The status bar's first panel: a passing note (a failed backup); empty restores the
    // installation's text.
    void setStatusText(const QString &text);

    // The tool (menu entry) of a name, or nullptr.
    QAction *tool(const QString &toolName) const;

    // Replaces the action of a dispatch row (tests watch which row acted); false when no row
    // has the key.
    bool setCommandAction(const QString &key, std::function<void()> action);

    // Opens the one instance of form F: creates it (parented here, deleted when closed) when
    // none is open, otherwise brings the open one to the front as it was left. A modal form
    // makes the caller wait until it is closed and is gone afterwards (nullptr is returned);
    // a modeless one is returned.
    template <class F>
    F *showForm(bool modal)
    {
        return static_cast<F *>(showForm(typeid(F), modal, [this] { return new F(this); }));
    }

    // Ends the program at once with every open form (the exit command and the close box).
    void endProgram();

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QWidget *showForm(std::type_index type, bool modal, const std::function<QWidget *()> &create);
    void buildCommandBar();
    void buildCommands();
    QAction *addTool(QMenu *menu, const QString &caption, const QString &name);
    bool allowed(const Command &command) const;

    QList<Command> m_commands;
    std::map<std::type_index, QPointer<QWidget>> m_forms;
    QLabel *m_picture;
    QLabel *m_panelText;
    QLabel *m_panelAcct;
    QLabel *m_panelUser;
    bool m_ending = false;
};
