#include "OperatorMessages.h"

#include "CommandOutcomes.h"
#include "ShownBytes.h"
#include "StaleLockFile.h"

#include <QCoreApplication>
#include <QStringList>

namespace {
// Every text here is marked with its context, so lupdate finds it.
QString translated(const char* text)
{
    return QCoreApplication::translate("DlgZR415", text);
}
} // namespace

namespace OperatorMessages {
QString notice()
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "提示"));
}
QString linkOpen(const QString& port, const QString& baud)
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "%1 %2 已连接")).arg(port, baud);
}
QString linkClosed()
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "未连接"));
}
QString openFailed(const QString& port, const QString& reason)
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "无法打开串口 %1：%2")).arg(port, reason);
}
QString noPort()
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "没有可用的串口，无法连接"));
}
QString linkLost(const QString& port, const QString& reason)
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "串口 %1 已断开：%2")).arg(port, reason);
}
QString waitingForReceiver()
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "等待接收机重新接入…"));
}
QString reconnected(const QString& port, const QString& baud)
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "%1 %2 已重新连接")).arg(port, baud);
}
QString reconnectedUnconfirmed(const QString& port, const QString& baud)
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "%1 %2 已重新连接（未能确认机身号）"))
        .arg(port, baud);
}
QString reconnectedUnasked(const QString& port, const QString& baud, const QByteArray& serial)
{
    return translated(QT_TRANSLATE_NOOP(
                          "DlgZR415", "%1 %2 已重新连接：机身号 %3（断开前未查询机身号，请确认）"))
        .arg(port, baud, shownDeviceText(serial));
}
QString earlierAnswer(const QString& port, const QByteArray& serial)
{
    const QString shownPort = shownDeviceText(port.toUtf8(), port.toUtf8().size());
    if (serial.isEmpty())
        return translated(QT_TRANSLATE_NOOP("DlgZR415",
                                            "来自先前的连接 %1（机身号未查询），本次连接尚未查询"))
            .arg(shownPort);
    return translated(
               QT_TRANSLATE_NOOP("DlgZR415", "来自先前的连接 %1（机身号 %2），本次连接尚未查询"))
        .arg(shownPort, shownDeviceText(serial));
}
QString otherReceiver(const QByteArray& serial, const QString& port)
{
    // The whole path: a port cut short could be mistaken for its neighbour.
    return translated(
               QT_TRANSLATE_NOOP("DlgZR415",
                                 "另一台接收机（机身号 %1）接入了 %2，已断开，请确认后重新连接"))
        .arg(shownDeviceText(serial), shownDeviceText(port.toUtf8(), port.toUtf8().size()));
}
QString joined(const QStringList& parts)
{
    return parts.join(translated(QT_TRANSLATE_NOOP("DlgZR415", "；")));
}
QString sent(int count)
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "已发送 %1 条命令")).arg(count);
}
QString notSent(int count)
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "未连接，%1 条命令未发送")).arg(count);
}
QString saveFailed(const QString& reason)
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "配置保存失败：%1")).arg(reason);
}
QString trafficSaveFailed(const QString& reason)
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "记录保存失败：%1")).arg(reason);
}
QString outcomes(const CommandOutcomes& outcomes)
{
    using State = CommandOutcomes::State;
    const int total = static_cast<int>(outcomes.all().size());
    const int confirmed = outcomes.count(State::Confirmed);
    if (confirmed == total)
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "已发送 %1 条命令，接收机全部确认"))
            .arg(total);
    QStringList parts;
    if (confirmed > 0)
        parts << translated(QT_TRANSLATE_NOOP("DlgZR415", "%1 条已确认")).arg(confirmed);
    QStringList refused;
    for (const std::string& key : outcomes.keys(State::Refused))
        refused << QString::fromStdString(key);
    if (!refused.isEmpty())
        parts << translated(QT_TRANSLATE_NOOP("DlgZR415", "接收机拒绝：%1"))
                     .arg(refused.join(QStringLiteral(", ")));
    if (const int unanswered = outcomes.count(State::Unanswered))
        parts << translated(QT_TRANSLATE_NOOP("DlgZR415", "%1 条无应答")).arg(unanswered);
    if (const int unwritten = outcomes.count(State::NotWritten))
        parts << translated(QT_TRANSLATE_NOOP("DlgZR415", "%1 条未能发出")).arg(unwritten);
    return joined(parts);
}

QString linkReason(LinkError kind, const QString& systemText)
{
    switch (kind) {
    case LinkError::NoSuchDevice:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "设备不存在"));
    case LinkError::NoPermission:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "没有访问权限（用户须属于 dialout 组）"));
    case LinkError::Busy:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "串口已被其他程序占用"));
    case LinkError::StaleLock: {
        const StaleLockFile stale = StaleLockFile::fromText(systemText);
        return translated(QT_TRANSLATE_NOOP(
                              "DlgZR415", "串口锁文件 %1 已失效（用户 %2 的进程 %3 已结束），"
                                          "当前用户无法删除；请以 root 身份删除：%4，或重启计算机"))
            .arg(stale.path, stale.owner, QString::number(stale.pid), stale.removeCommand());
    }
    case LinkError::Unplugged:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "设备已拔出"));
    case LinkError::BaudUnsupported:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "不支持该波特率"));
    case LinkError::NotSerial:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "不是串口设备"));
    case LinkError::TooManyFiles:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "打开的文件过多"));
    default:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "系统错误：%1")).arg(systemText);
    }
}

QString saveReason(SaveError kind, const QString& systemText)
{
    switch (kind) {
    case SaveError::FileReadOnly:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "文件只读"));
    case SaveError::FolderMissing:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "文件夹不存在"));
    case SaveError::FolderNotWritable:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "文件夹不可写"));
    case SaveError::DiskFull:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "磁盘已满"));
    case SaveError::FileIsLink:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "配置文件是符号链接，已拒绝"));
    default:
        return translated(QT_TRANSLATE_NOOP("DlgZR415", "系统错误：%1")).arg(systemText);
    }
}

QString ok()
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "确定"));
}
QString confirmFactoryReset()
{
    return translated(QT_TRANSLATE_NOOP("DlgZR415", "是否恢复出厂设置？"));
}
} // namespace OperatorMessages
