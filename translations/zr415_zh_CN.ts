<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ConstellationLook</name>
    <message>
        <source>北斗</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>其他</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通信记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>输出监视</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>接收机状态</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DlgZR415</name>
    <message>
        <source>串口设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口号:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>波特率:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>断开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>清除所有星历</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开SBAS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>提交</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>查询</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>机身号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存配置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HDT前缀</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>提示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存成功</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 已连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法打开串口 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有可用的串口，无法连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口 %1 已断开：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已发送 %1 条命令</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未连接，%1 条命令未发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>配置保存失败：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已发送 %1 条命令，接收机全部确认</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 条已确认</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>接收机拒绝：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 条无应答</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 条未能发出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备不存在</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有访问权限（用户须属于 dialout 组）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口已被其他程序占用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备已拔出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不支持该波特率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>系统错误：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件只读</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件夹不可写</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>是否恢复出厂设置？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>；</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>配置文件是符号链接，已拒绝</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录保存失败：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>等待接收机重新接入…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 已重新连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不是串口设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开的文件过多</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口锁文件 %1 已失效（用户 %2 的进程 %3 已结束），当前用户无法删除；请以 root 身份删除：%4，或重启计算机</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 已重新连接（未能确认机身号）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>另一台接收机（机身号 %1）接入了 %2，已断开，请确认后重新连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 已重新连接：机身号 %3（断开前未查询机身号，请确认）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>来自先前的连接 %1（机身号未查询），本次连接尚未查询</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>来自先前的连接 %1（机身号 %2），本次连接尚未查询</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LinkBanner</name>
    <message>
        <source>未连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>机身号 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已断开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>回放 %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutputView</name>
    <message>
        <source>语句</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>实测</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>条数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>状态</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>偏差</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未输出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>定位质量 %1   卫星 %2   HDOP %3   UTC %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 行/秒   %2 字节/秒</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>清零</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最短间隔</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最长间隔</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>校验错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未知</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PortComboBox</name>
    <message>
        <source>描述：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>厂商：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>序列号：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>USB 标识：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>固定名称：%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>警告</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>程序已经运行，不能运行多个程序！</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确定</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ReceiverView</name>
    <message>
        <source>定位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>位置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>高度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>航向</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>精度因子</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>卫星</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>差分</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>精度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>系统</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>编号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>仰角</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>方位角</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无定位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单点定位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>差分定位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PPS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>RTK 固定解</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>RTK 浮点解</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>航位推算</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>手动输入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模拟</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未知</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 s 前</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>龄期 %1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>基站 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>纬度 %1 m · 经度 %2 m · 高度 %3 m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>使用 %1 / 可见 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>是</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>否</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单独窗口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>在单独的窗口中显示，可放大；关闭该窗口即放回本页</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>接收机状态显示在单独的窗口中；关闭该窗口即放回本页。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>速度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>信噪比 dB-Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>使用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>接收机状态</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>海拔 %1 m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>椭球高 %1 m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 m/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>航迹向 %1°</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>卫星的 PRN，与 gpsd 的编号相同</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecordingBar</name>
    <message>
        <source>打开记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NMEA 记录 (*.nmea *.log *.txt);;所有文件 (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>回放…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂停回放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1×</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4×</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最快</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>继续回放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法记录到 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在记录到 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>—— 记录到 %1 ——</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已记录到 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>—— 记录结束 %1 ——</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录中止 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>连接时不能回放</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法回放 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>—— 回放 %1 ——</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在回放 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在回放 %1（按时间标记）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>回放结束 %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrafficLog</name>
    <message>
        <source>校验错误</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>TrafficView</name>
    <message>
        <source>保存通信记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂停</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>清除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存记录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>只显示命令和应答</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>继续</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>—— 已重新连接 %1 %2 ——</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>—— 已连接 %1 %2 ——</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>—— 连接中断 ——</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>—— 已断开 ——</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
