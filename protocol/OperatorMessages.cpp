#include "OperatorMessages.h"

#include <QCoreApplication>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("DlgZR415", text);
}
} // namespace

namespace OperatorMessages {
QString notice()
{
    return tr("提示");
}
QString linkOpen(const QString& port, const QString& baud)
{
    return tr("%1 %2 已连接").arg(port, baud);
}
QString linkClosed()
{
    return tr("未连接");
}
QString openFailed(const QString& port, const QString& reason)
{
    return tr("无法打开串口 %1：%2").arg(port, reason);
}
QString noPort()
{
    return tr("没有可用的串口，无法连接");
}
QString linkLost(const QString& port, const QString& reason)
{
    return tr("串口 %1 已断开：%2").arg(port, reason);
}
QString sent(int count)
{
    return tr("已发送 %1 条命令").arg(count);
}
QString notSent(int count)
{
    return tr("未连接，%1 条命令未发送").arg(count);
}
QString saveFailed(const QString& reason)
{
    return tr("配置保存失败：%1").arg(reason);
}
QString ok()
{
    return tr("确定");
}
QString confirmFactoryReset()
{
    return tr("是否恢复出厂设置？");
}
} // namespace OperatorMessages
