#include "ui/frame/frmNewAccount.h"

#include <QDir>
#include <QLineEdit>

#include "core/frame/AccountSets.h"
#include "core/frame/Prompts.h"
#include "core/frame/ShopSetup.h"
#include "ui/widgets/DialogLayout.h"
#include "ui/widgets/ErrorPrompt.h"

namespace {

// The shop's name made fit for a file name.
QString fileNameOf(const QString &name)
{
    QString n = name.trimmed();
    for (const QChar bad : {u'/', u'\\', u':', u'*', u'?', u'"', u'<', u'>', u'|'})
        n.replace(bad, u'_');
    return n + QStringLiteral(".db");
}

} // namespace

frmNewAccount::frmNewAccount(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmNewAccount"), QStringLiteral("新建帐套（本机）"))
{
    txtName = DialogLayout::lineEdit(this, QStringLiteral("txtName"));
    txtFolder = DialogLayout::lineEdit(this, QStringLiteral("txtFolder"));
    txtFolder->setMaxLength(1000);
    txtFolder->setText(QDir::toNativeSeparators(AccountSets::dataDir()));
    txtManager = DialogLayout::lineEdit(this, QStringLiteral("txtManager"));
    txtPassword = DialogLayout::lineEdit(this, QStringLiteral("txtPassword"), true);
    txtConfirm = DialogLayout::lineEdit(this, QStringLiteral("txtConfirm"), true);
    build({{QStringLiteral("帐套名称(&N)："), txtName},
           {QStringLiteral("存放目录(&F)："), txtFolder},
           {QStringLiteral("店长名字(&M)："), txtManager},
           {QStringLiteral("店长密码(&P)："), txtPassword},
           {QStringLiteral("再输一次(&A)："), txtConfirm}});
    setMinimumWidth(520);
    txtName->setFocus();
}

void frmNewAccount::cmdOk_Click()
{
    runShowingErrors(this, [this] {
        ShopSetup::checkName(txtName->text());
        ShopSetup::checkManager(txtManager->text(), txtPassword->text(), txtConfirm->text());
        const QString folder = QDir::fromNativeSeparators(txtFolder->text().trimmed());
        if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
            throw CoreError::refusal(QStringLiteral("请选择帐套文件所在的目录（完整路径）！"),
                                     QStringLiteral("txtFolder"));
        const QString file = QDir(folder).filePath(fileNameOf(txtName->text()));
        ShopSetup::newSqlite(txtName->text(), file, txtManager->text(), txtPassword->text());
        m_name = txtName->text().trimmed();
        Prompts::current().information(QStringLiteral("帐套“%1”已建立：%2")
                                           .arg(m_name, QDir::toNativeSeparators(file)));
        m_ok = true;
        accept();
    });
}
