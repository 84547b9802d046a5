#pragma once

#include <QMainWindow>

class QLabel;

// The program's only top-level window.
class FrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit FrmMain(QWidget *parent = nullptr);

    // Status texts and the retail price style; errors reach the caller (start-up ends).
    void Form_Load();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *m_panelText;
    QLabel *m_panelAcct;
    QLabel *m_panelUser;
};
