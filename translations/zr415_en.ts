<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>ConstellationLook</name>
    <message>
        <source>北斗</source>
        <translation>BeiDou</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
</context>
<context>
    <name>DlgTab</name>
    <message>
        <source>ZR415</source>
        <translation>ZR415</translation>
    </message>
    <message>
        <source>设置ZR415</source>
        <translation>ZR415 Settings</translation>
    </message>
    <message>
        <source>通信记录</source>
        <translation>Traffic</translation>
    </message>
    <message>
        <source>输出监视</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>接收机状态</source>
        <translation>Receiver</translation>
    </message>
</context>
<context>
    <name>DlgZR415</name>
    <message>
        <source>串口设置</source>
        <translation>Serial Port</translation>
    </message>
    <message>
        <source>串口号:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>波特率:</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>清除所有星历</source>
        <translation>Clear all ephemerides</translation>
    </message>
    <message>
        <source>打开SBAS</source>
        <translation>Enable SBAS</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>Factory Reset</translation>
    </message>
    <message>
        <source>提交</source>
        <translation>Submit</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>机身号</source>
        <translation>Serial No.</translation>
    </message>
    <message>
        <source>保存配置</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>HDT前缀</source>
        <translation>HDT prefix</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>保存成功</source>
        <translation>Saved.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>%1 %2 已连接</source>
        <translation>%1 at %2 baud: connected</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>无法打开串口 %1：%2</source>
        <translation>Cannot open serial port %1: %2</translation>
    </message>
    <message>
        <source>没有可用的串口，无法连接</source>
        <translation>No serial port available: cannot connect</translation>
    </message>
    <message>
        <source>串口 %1 已断开：%2</source>
        <translation>Serial port %1 disconnected: %2</translation>
    </message>
    <message>
        <source>已发送 %1 条命令</source>
        <translation>Commands sent: %1</translation>
    </message>
    <message>
        <source>未连接，%1 条命令未发送</source>
        <translation>Not connected; commands not sent: %1</translation>
    </message>
    <message>
        <source>配置保存失败：%1</source>
        <translation>Settings not saved: %1</translation>
    </message>
    <message>
        <source>已发送 %1 条命令，接收机全部确认</source>
        <translation>Commands sent: %1, all confirmed by the receiver</translation>
    </message>
    <message>
        <source>%1 条已确认</source>
        <translation>confirmed: %1</translation>
    </message>
    <message>
        <source>接收机拒绝：%1</source>
        <translation>refused by the receiver: %1</translation>
    </message>
    <message>
        <source>%1 条无应答</source>
        <translation>no answer: %1</translation>
    </message>
    <message>
        <source>%1 条未能发出</source>
        <translation>not written: %1</translation>
    </message>
    <message>
        <source>设备不存在</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>没有访问权限（用户须属于 dialout 组）</source>
        <translation>permission denied (the user must be in the group dialout)</translation>
    </message>
    <message>
        <source>串口已被其他程序占用</source>
        <translation>the port is in use by another program</translation>
    </message>
    <message>
        <source>串口锁文件 %1 已失效（用户 %2 的进程 %3 已结束），当前用户无法删除；请以 root 身份删除：%4，或重启计算机</source>
        <translation>stale lock file %1 of user %2 (process %3 has ended), which this user cannot remove; remove it as root: %4, or reboot</translation>
    </message>
    <message>
        <source>设备已拔出</source>
        <translation>the device was unplugged</translation>
    </message>
    <message>
        <source>不支持该波特率</source>
        <translation>baud rate not supported</translation>
    </message>
    <message>
        <source>系统错误：%1</source>
        <translation>system error: %1</translation>
    </message>
    <message>
        <source>文件只读</source>
        <translation>the file is read-only</translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>文件夹不可写</source>
        <translation>the folder is not writable</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>是否恢复出厂设置？</source>
        <translation>Restore the factory settings?</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>配置文件是符号链接，已拒绝</source>
        <translation>the settings file is a symbolic link: refused</translation>
    </message>
    <message>
        <source>记录保存失败：%1</source>
        <translation>Record not saved: %1</translation>
    </message>
    <message>
        <source>等待接收机重新接入…</source>
        <translation>Waiting for the receiver to come back…</translation>
    </message>
    <message>
        <source>%1 %2 已重新连接</source>
        <translation>%1 at %2 baud: reconnected</translation>
    </message>
    <message>
        <source>不是串口设备</source>
        <translation>not a serial device</translation>
    </message>
    <message>
        <source>打开的文件过多</source>
        <translation>too many open files</translation>
    </message>
    <message>
        <source>%1 %2 已重新连接（未能确认机身号）</source>
        <translation>%1 at %2 baud: Reconnected (serial number not confirmed)</translation>
    </message>
    <message>
        <source>另一台接收机（机身号 %1）接入了 %2，已断开，请确认后重新连接</source>
        <translation>Another receiver (serial %1) is on %2; disconnected – check it and connect again</translation>
    </message>
    <message>
        <source>%1 %2 已重新连接：机身号 %3（断开前未查询机身号，请确认）</source>
        <translation>%1 at %2 baud: Reconnected, serial %3 (not asked before the loss – please check)</translation>
    </message>
    <message>
        <source>来自先前的连接 %1（机身号未查询），本次连接尚未查询</source>
        <translation>From an earlier link on %1 (serial not asked); not yet queried on this link</translation>
    </message>
    <message>
        <source>来自先前的连接 %1（机身号 %2），本次连接尚未查询</source>
        <translation>From an earlier link on %1 (serial %2); not yet queried on this link</translation>
    </message>
</context>
<context>
    <name>LinkBanner</name>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>机身号 %1</source>
        <translation>serial %1</translation>
    </message>
    <message>
        <source>已断开</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>回放 %1</source>
        <translation>Replay %1</translation>
    </message>
</context>
<context>
    <name>OutputView</name>
    <message>
        <source>语句</source>
        <translation>Sentence</translation>
    </message>
    <message>
        <source>设定</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>实测</source>
        <translation>Measured</translation>
    </message>
    <message>
        <source>条数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>偏差</source>
        <translation>Off rate</translation>
    </message>
    <message>
        <source>未输出</source>
        <translation>Not output</translation>
    </message>
    <message>
        <source>定位质量 %1   卫星 %2   HDOP %3   UTC %4</source>
        <translation>Fix quality %1   Satellites %2   HDOP %3   UTC %4</translation>
    </message>
    <message>
        <source>%1 行/秒   %2 字节/秒</source>
        <translation>%1 lines/s   %2 bytes/s</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Reset counts</translation>
    </message>
    <message>
        <source>最短间隔</source>
        <translation>Shortest gap</translation>
    </message>
    <message>
        <source>最长间隔</source>
        <translation>Longest gap</translation>
    </message>
    <message>
        <source>校验错误</source>
        <translation>Checksum errors</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>Unknown</translation>
    </message>
</context>
<context>
    <name>PortComboBox</name>
    <message>
        <source>描述：%1</source>
        <translation>Description: %1</translation>
    </message>
    <message>
        <source>厂商：%1</source>
        <translation>Maker: %1</translation>
    </message>
    <message>
        <source>序列号：%1</source>
        <translation>USB serial number: %1</translation>
    </message>
    <message>
        <source>USB 标识：%1</source>
        <translation>USB ids: %1</translation>
    </message>
    <message>
        <source>固定名称：%1</source>
        <translation>Stable name: %1</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>程序已经运行，不能运行多个程序！</source>
        <translation>The program is already running: only one copy can run.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ReceiverView</name>
    <message>
        <source>定位</source>
        <translation>Fix</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>高度</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>航向</source>
        <translation>Heading</translation>
    </message>
    <message>
        <source>精度因子</source>
        <translation>DOP</translation>
    </message>
    <message>
        <source>卫星</source>
        <translation>Satellites</translation>
    </message>
    <message>
        <source>差分</source>
        <translation>Corrections</translation>
    </message>
    <message>
        <source>精度</source>
        <translation>Accuracy</translation>
    </message>
    <message>
        <source>系统</source>
        <translation>System</translation>
    </message>
    <message>
        <source>编号</source>
        <translation>SV</translation>
    </message>
    <message>
        <source>仰角</source>
        <translation>Elevation</translation>
    </message>
    <message>
        <source>方位角</source>
        <translation>Azimuth</translation>
    </message>
    <message>
        <source>无定位</source>
        <translation>No fix</translation>
    </message>
    <message>
        <source>单点定位</source>
        <translation>Single</translation>
    </message>
    <message>
        <source>差分定位</source>
        <translation>DGNSS</translation>
    </message>
    <message>
        <source>PPS</source>
        <translation>PPS</translation>
    </message>
    <message>
        <source>RTK 固定解</source>
        <translation>RTK fixed</translation>
    </message>
    <message>
        <source>RTK 浮点解</source>
        <translation>RTK float</translation>
    </message>
    <message>
        <source>航位推算</source>
        <translation>Dead reckoning</translation>
    </message>
    <message>
        <source>手动输入</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>模拟</source>
        <translation>Simulation</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>%1 s 前</source>
        <translation>%1 s ago</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>龄期 %1 s</source>
        <translation>age %1 s</translation>
    </message>
    <message>
        <source>基站 %1</source>
        <translation>station %1</translation>
    </message>
    <message>
        <source>纬度 %1 m · 经度 %2 m · 高度 %3 m</source>
        <translation>σ lat %1 m · lon %2 m · alt %3 m</translation>
    </message>
    <message>
        <source>使用 %1 / 可见 %2</source>
        <translation>used %1 / in view %2</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>单独窗口</source>
        <translation>Detach</translation>
    </message>
    <message>
        <source>在单独的窗口中显示，可放大；关闭该窗口即放回本页</source>
        <translation>Show in a window of its own that can be enlarged; closing it puts the view back here</translation>
    </message>
    <message>
        <source>接收机状态显示在单独的窗口中；关闭该窗口即放回本页。</source>
        <translation>The receiver view is shown in its own window; close that window to put it back here.</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>信噪比 dB-Hz</source>
        <translation>SNR dB-Hz</translation>
    </message>
    <message>
        <source>使用</source>
        <translation>Used</translation>
    </message>
    <message>
        <source>接收机状态</source>
        <translation>Receiver</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>海拔 %1 m</source>
        <translation>MSL %1 m</translation>
    </message>
    <message>
        <source>椭球高 %1 m</source>
        <translation>ellipsoid %1 m</translation>
    </message>
    <message>
        <source>%1 m/s</source>
        <translation>%1 m/s</translation>
    </message>
    <message>
        <source>航迹向 %1°</source>
        <translation>course %1°</translation>
    </message>
    <message>
        <source>卫星的 PRN，与 gpsd 的编号相同</source>
        <translation>The satellite&apos;s PRN, as gpsd numbers it</translation>
    </message>
</context>
<context>
    <name>RecordingBar</name>
    <message>
        <source>打开记录</source>
        <translation>Open recording</translation>
    </message>
    <message>
        <source>NMEA 记录 (*.nmea *.log *.txt);;所有文件 (*)</source>
        <translation>NMEA recordings (*.nmea *.log *.txt);;All files (*)</translation>
    </message>
    <message>
        <source>记录</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>回放…</source>
        <translation>Replay…</translation>
    </message>
    <message>
        <source>暂停回放</source>
        <translation>Pause replay</translation>
    </message>
    <message>
        <source>1×</source>
        <translation>1×</translation>
    </message>
    <message>
        <source>4×</source>
        <translation>4×</translation>
    </message>
    <message>
        <source>最快</source>
        <translation>Fastest</translation>
    </message>
    <message>
        <source>继续回放</source>
        <translation>Resume replay</translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>cannot make the folder %1</translation>
    </message>
    <message>
        <source>无法记录到 %1：%2</source>
        <translation>Cannot record into %1: %2</translation>
    </message>
    <message>
        <source>正在记录到 %1</source>
        <translation>Recording into %1</translation>
    </message>
    <message>
        <source>—— 记录到 %1 ——</source>
        <translation>—— recording into %1 ——</translation>
    </message>
    <message>
        <source>已记录到 %1</source>
        <translation>Recorded into %1</translation>
    </message>
    <message>
        <source>—— 记录结束 %1 ——</source>
        <translation>—— recording ended %1 ——</translation>
    </message>
    <message>
        <source>记录中止 %1：%2</source>
        <translation>Recording into %1 ended: %2</translation>
    </message>
    <message>
        <source>连接时不能回放</source>
        <translation>No replay while a link is open</translation>
    </message>
    <message>
        <source>无法回放 %1：%2</source>
        <translation>Cannot replay %1: %2</translation>
    </message>
    <message>
        <source>—— 回放 %1 ——</source>
        <translation>—— replay %1 ——</translation>
    </message>
    <message>
        <source>正在回放 %1</source>
        <translation>Replaying %1</translation>
    </message>
    <message>
        <source>正在回放 %1（按时间标记）</source>
        <translation>Replaying %1 (paced by its time tags)</translation>
    </message>
    <message>
        <source>回放结束 %1</source>
        <translation>Replay ended %1</translation>
    </message>
</context>
<context>
    <name>TrafficLog</name>
    <message>
        <source>校验错误</source>
        <translation>checksum error</translation>
    </message>
</context>
<context>
    <name>TrafficView</name>
    <message>
        <source>保存通信记录</source>
        <translation>Save the traffic record</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存记录</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>只显示命令和应答</source>
        <translation>Commands &amp; replies</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>—— 已重新连接 %1 %2 ——</source>
        <translation>—— reconnected %1 %2 ——</translation>
    </message>
    <message>
        <source>—— 已连接 %1 %2 ——</source>
        <translation>—— connected %1 %2 ——</translation>
    </message>
    <message>
        <source>—— 连接中断 ——</source>
        <translation>—— link lost ——</translation>
    </message>
    <message>
        <source>—— 已断开 ——</source>
        <translation>—— disconnected ——</translation>
    </message>
</context>
</TS>
