#include "ui/frame/frmServerAccount.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/db/ConnectionString.h"
#include "core/db/Dialect.h"
#include "core/frame/Prompts.h"
#include "core/frame/ShopSetup.h"
#include "ui/widgets/DialogLayout.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/WaitCursor.h"

namespace {

db::ConnectionString serverOf(const frmServerAccount &f)
{
    db::ConnectionString cs = db::Dialect::asServer({});
    cs.host = f.txtHost->text().trimmed();
    bool ok = false;
    cs.port = f.txtPort->text().trimmed().toInt(&ok);
    if (!ok || cs.port <= 0 || cs.port > 65535)
        throw CoreError::refusal(QStringLiteral("请输入端口（1～65535）！"), QStringLiteral("txtPort"));
    if (cs.host.isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入服务器地址！"), QStringLiteral("txtHost"));
    cs.database = f.txtDatabase->text().trimmed();
    if (cs.database.isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入数据库名！"), QStringLiteral("txtDatabase"));
    cs.user = f.txtUser->text().trimmed();
    if (cs.user.isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入用户名！"), QStringLiteral("txtUser"));
    cs.password = f.txtServerPassword->text();
    cs.sslMode = f.cmbSslMode->currentText();
    return cs;
}

} // namespace

frmServerAccount::frmServerAccount(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmServerAccount"), QStringLiteral("连接服务器"))
{
    txtName = DialogLayout::lineEdit(this, QStringLiteral("txtName"));
    txtHost = DialogLayout::lineEdit(this, QStringLiteral("txtHost"));
    txtPort = DialogLayout::lineEdit(this, QStringLiteral("txtPort"));
    txtPort->setText(QStringLiteral("5432"));
    txtPort->setMaxLength(5);
    txtDatabase = DialogLayout::lineEdit(this, QStringLiteral("txtDatabase"));
    txtUser = DialogLayout::lineEdit(this, QStringLiteral("txtUser"));
    txtServerPassword = DialogLayout::lineEdit(this, QStringLiteral("txtServerPassword"), true);
    cmbSslMode = new QComboBox(this);
    cmbSslMode->setObjectName(QStringLiteral("cmbSslMode"));
    cmbSslMode->addItems({QStringLiteral("prefer"), QStringLiteral("require"),
                          QStringLiteral("verify-ca"), QStringLiteral("verify-full"),
                          QStringLiteral("disable")});
    txtManager = DialogLayout::lineEdit(this, QStringLiteral("txtManager"));
    txtPassword = DialogLayout::lineEdit(this, QStringLiteral("txtPassword"), true);
    txtConfirm = DialogLayout::lineEdit(this, QStringLiteral("txtConfirm"), true);
    QGridLayout *grid = build({{QStringLiteral("帐套名称(&N)："), txtName},
                               {QStringLiteral("服务器(&H)："), txtHost},
                               {QStringLiteral("端口："), txtPort},
                               {QStringLiteral("数据库(&D)："), txtDatabase},
                               {QStringLiteral("用户名(&U)："), txtUser},
                               {QStringLiteral("密码(&W)："), txtServerPassword},
                               {QStringLiteral("SSL 模式："), cmbSslMode},
                               {QStringLiteral("新帐套的店长(&M)："), txtManager},
                               {QStringLiteral("店长密码(&P)："), txtPassword},
                               {QStringLiteral("再输一次(&A)："), txtConfirm}});
    cmdTest = new QPushButton(QStringLiteral("测试连接(&T)"), this);
    cmdTest->setObjectName(QStringLiteral("cmdTest"));
    cmdTest->setAutoDefault(false);
    grid->addWidget(cmdTest, 1, 2);
    auto *note = new QLabel(QStringLiteral("空数据库：建立新帐套（需填店长）；已有本程序帐套的数据库：加入。"), this);
    note->setWordWrap(true);
    grid->addWidget(note, grid->rowCount(), 0, 1, 3);
    connect(cmdTest, &QPushButton::clicked, this, [this] { cmdTest_Click(); });
    setMinimumWidth(560);
    txtName->setFocus();
}

void frmServerAccount::cmdTest_Click()
{
    runShowingErrors(this, [this] {
        const db::ConnectionString cs = serverOf(*this);
        QString version;
        {
            const WaitCursor wait;
            version = ShopSetup::testConnection(cs);
        }
        Prompts::current().information(QStringLiteral("连接成功：%1").arg(version));
    });
}

void frmServerAccount::cmdOk_Click()
{
    runShowingErrors(this, [this] {
        ShopSetup::checkName(txtName->text());
        const db::ConnectionString cs = serverOf(*this);
        if (!txtManager->text().trimmed().isEmpty() || !txtPassword->text().isEmpty())
            ShopSetup::checkManager(txtManager->text(), txtPassword->text(), txtConfirm->text());
        ShopSetup::Outcome outcome;
        {
            const WaitCursor wait;
            outcome = ShopSetup::openServer(txtName->text(), cs, txtManager->text(),
                                            txtPassword->text(), true);
        }
        m_name = txtName->text().trimmed();
        Prompts::current().information(outcome == ShopSetup::Outcome::Created
                                           ? QStringLiteral("帐套“%1”已在服务器上建立。").arg(m_name)
                                           : QStringLiteral("已加入服务器上的帐套“%1”。").arg(m_name));
        m_ok = true;
        accept();
    });
}
