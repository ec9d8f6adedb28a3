#include "OperatorMessages.h"

#include "CommandOutcomes.h"

#include <QCoreApplication>
#include <QStringList>

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
QString outcomes(const CommandOutcomes& outcomes)
{
    using State = CommandOutcomes::State;
    const int total = static_cast<int>(outcomes.all().size());
    const int confirmed = outcomes.count(State::Confirmed);
    if (confirmed == total)
        return tr("已发送 %1 条命令，接收机全部确认").arg(total);
    QStringList parts;
    if (confirmed > 0)
        parts << tr("%1 条已确认").arg(confirmed);
    QStringList refused;
    for (const std::string& key : outcomes.keys(State::Refused))
        refused << QString::fromStdString(key);
    if (!refused.isEmpty())
        parts << tr("接收机拒绝：%1").arg(refused.join(QStringLiteral(", ")));
    if (const int unanswered = outcomes.count(State::Unanswered))
        parts << tr("%1 条无应答").arg(unanswered);
    if (const int unwritten = outcomes.count(State::NotWritten))
        parts << tr("%1 条未能发出").arg(unwritten);
    return parts.join(QStringLiteral("；"));
}

QString linkReason(LinkError kind, const QString& systemText)
{
    switch (kind) {
    case LinkError::NoSuchDevice:
        return tr("设备不存在");
    case LinkError::NoPermission:
        return tr("没有访问权限（用户须属于 dialout 组）");
    case LinkError::Busy:
        return tr("串口已被其他程序占用");
    case LinkError::Unplugged:
        return tr("设备已拔出");
    case LinkError::BaudUnsupported:
        return tr("不支持该波特率");
    default:
        return tr("系统错误：%1").arg(systemText);
    }
}

QString saveReason(SaveError kind, const QString& systemText)
{
    switch (kind) {
    case SaveError::FileReadOnly:
        return tr("文件只读");
    case SaveError::FolderMissing:
        return tr("文件夹不存在");
    case SaveError::FolderNotWritable:
        return tr("文件夹不可写");
    case SaveError::DiskFull:
        return tr("磁盘已满");
    case SaveError::FileIsLink:
        return tr("配置文件是符号链接，已拒绝");
    default:
        return tr("系统错误：%1").arg(systemText);
    }
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
