<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AlignJob</name>
    <message>
        <source>%1 %2 %3: 第 %4 次</source>
        <translation>%1 %2 %3: try %4</translation>
    </message>
</context>
<context>
    <name>AlignmentChart</name>
    <message>
        <source>当前点</source>
        <translation>Current point</translation>
    </message>
    <message>
        <source>频率 (MHz)</source>
        <translation>Frequency (MHz)</translation>
    </message>
    <message>
        <source>电平</source>
        <translation>Level</translation>
    </message>
</context>
<context>
    <name>CTransferJob</name>
    <message>
        <source>成功!</source>
        <translation>Success!</translation>
    </message>
    <message>
        <source>失败!</source>
        <translation>Failed!</translation>
    </message>
    <message>
        <source>连接对讲机失败!</source>
        <translation>Could not connect to the radio!</translation>
    </message>
    <message>
        <source>正在连接 COM%1…</source>
        <translation>Connecting to COM%1…</translation>
    </message>
    <message>
        <source>读出 %1/%2</source>
        <translation>Read %1/%2</translation>
    </message>
    <message>
        <source>写入 %1/%2</source>
        <translation>Write %1/%2</translation>
    </message>
    <message>
        <source>备份 %1/%2</source>
        <translation>Backup %1/%2</translation>
    </message>
    <message>
        <source>备份读出失败, 未写入</source>
        <translation>Backup read failed, nothing written</translation>
    </message>
    <message>
        <source>备份保存失败, 未写入: %1</source>
        <translation>Backup not saved, nothing written: %1</translation>
    </message>
    <message>
        <source>校验… %1/%2</source>
        <translation>Verifying… %1/%2</translation>
    </message>
    <message>
        <source>备份: %1</source>
        <translation>Backup: %1</translation>
    </message>
    <message>
        <source>写入校验失败!</source>
        <translation>Write verification failed!</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Cancelled</translation>
    </message>
</context>
<context>
    <name>DialogTemplates</name>
    <message>
        <source>Velmora 1.0 版</source>
        <translation>Velmora version 1.0</translation>
    </message>
    <message>
        <source>版权所有 (C) 2026</source>
        <translation>Copyright (C) 2026</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>读出</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>端口:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>中频:</source>
        <translation>IF:</translation>
    </message>
    <message>
        <source>参考晶振:</source>
        <translation>Crystal:</translation>
    </message>
    <message>
        <source>开机显示</source>
        <translation>Power-on</translation>
    </message>
    <message>
        <source>频段：</source>
        <translation>Base:</translation>
    </message>
    <message>
        <source>步进：</source>
        <translation>Step:</translation>
    </message>
    <message>
        <source>接收频率：</source>
        <translation>RX freq:</translation>
    </message>
    <message>
        <source>发射频率：</source>
        <translation>TX freq:</translation>
    </message>
    <message>
        <source>关于 Velmora</source>
        <translation>About Velmora</translation>
    </message>
    <message>
        <source>UV电调测试软件</source>
        <translation>UV Alignment Tool</translation>
    </message>
    <message>
        <source>自动校准</source>
        <translation>Auto-align</translation>
    </message>
    <message>
        <source>整段自动校准</source>
        <translation>Auto-align band</translation>
    </message>
</context>
<context>
    <name>ExchangePrompt</name>
    <message>
        <source>请输入一个整数。</source>
        <translation>Please enter an integer.</translation>
    </message>
    <message>
        <source>请输入一个非负整数。</source>
        <translation>Please enter a non-negative integer.</translation>
    </message>
    <message>
        <source>请输入一个介于 %1 和 %2 之间的整数。</source>
        <translation>Please enter an integer between %1 and %2.</translation>
    </message>
    <message>
        <source>请输入不超过 %1 个字符。</source>
        <translation>Please enter no more than %1 characters.</translation>
    </message>
</context>
<context>
    <name>LotStatisticsTables</name>
    <message>
        <source>点</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>MHz</source>
        <translation>MHz</translation>
    </message>
    <message>
        <source>目标 W</source>
        <translation>Target W</translation>
    </message>
    <message>
        <source>n</source>
        <translation>n</translation>
    </message>
    <message>
        <source>电平中位数</source>
        <translation>Level median</translation>
    </message>
    <message>
        <source>MAD</source>
        <translation>MAD</translation>
    </message>
    <message>
        <source>平均 W</source>
        <translation>Mean W</translation>
    </message>
    <message>
        <source>σ W</source>
        <translation>σ W</translation>
    </message>
    <message>
        <source>Cpk</source>
        <translation>Cpk</translation>
    </message>
    <message>
        <source>实调次数</source>
        <translation>Live tunes</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>类别</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Why</translation>
    </message>
    <message>
        <source>B段</source>
        <translation>Band B</translation>
    </message>
    <message>
        <source>A段</source>
        <translation>Band A</translation>
    </message>
    <message>
        <source>离群</source>
        <translation>Outlier</translation>
    </message>
    <message>
        <source>%1 电平 %2，离批次中位数 %3 有 %4 个 MAD</source>
        <translation>%1 level %2, %4 MADs from the lot&apos;s median %3</translation>
    </message>
    <message>
        <source>漂移</source>
        <translation>Drift</translation>
    </message>
    <message>
        <source>工位 %1 从这台起偏移 %2 σ（在 %3 报警）</source>
        <translation>Station %1 shifted %2 σ from this radio on (raised at %3)</translation>
    </message>
    <message>
        <source>%1 台对讲机，一次通过率 %2 %，每点实调 %3 次，每台 %4 秒。</source>
        <translation>%1 radios, first-pass yield %2 %, %3 live tunes per point, %4 s per radio.</translation>
    </message>
</context>
<context>
    <name>PowerChart</name>
    <message>
        <source>%1 窗口</source>
        <translation>%1 window</translation>
    </message>
    <message>
        <source>%1 目标</source>
        <translation>%1 target</translation>
    </message>
    <message>
        <source>%1 实测</source>
        <translation>%1 measured</translation>
    </message>
    <message>
        <source>频率 (MHz)</source>
        <translation>Frequency (MHz)</translation>
    </message>
    <message>
        <source>功率 (W)</source>
        <translation>Power (W)</translation>
    </message>
    <message>
        <source>实测功率与目标窗口</source>
        <translation>Measured power and target windows</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>关于 Velmora(&amp;A)...</source>
        <translation>&amp;About Velmora...</translation>
    </message>
</context>
<context>
    <name>TableNames</name>
    <message>
        <source>高功率</source>
        <translation>High power</translation>
    </message>
    <message>
        <source>中功率</source>
        <translation>Mid power</translation>
    </message>
    <message>
        <source>低功率</source>
        <translation>Low power</translation>
    </message>
    <message>
        <source>接收电调</source>
        <translation>RX tuning</translation>
    </message>
    <message>
        <source>点 %1 (%2 MHz)</source>
        <translation>point %1 (%2 MHz)</translation>
    </message>
</context>
<context>
    <name>WindowPrompts</name>
    <message>
        <source>保存校准报告吗?</source>
        <translation>Save the alignment report?</translation>
    </message>
    <message>
        <source>dat Files (*.dat);;All Files (*.*)</source>
        <translation>Calibration files (*.dat);;All files (*.*)</translation>
    </message>
    <message>
        <source>%1 已存在。
要替换它吗?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>保存修改吗?</source>
        <translation>Save changes?</translation>
    </message>
    <message>
        <source>选择校准方案</source>
        <translation>Choose an alignment plan</translation>
    </message>
    <message>
        <source>保存校准报告</source>
        <translation>Save the alignment report</translation>
    </message>
    <message>
        <source>保存批次统计</source>
        <translation>Save lot statistics</translation>
    </message>
</context>
<context>
    <name>velmora::AutoAlignment</name>
    <message>
        <source>已校准</source>
        <translation>aligned</translation>
    </message>
    <message>
        <source>尝试次数用尽</source>
        <translation>out of tries</translation>
    </message>
    <message>
        <source>功率不随电平上升</source>
        <translation>the power does not rise with the level</translation>
    </message>
    <message>
        <source>目标超出最高电平</source>
        <translation>the target lies beyond the highest level</translation>
    </message>
    <message>
        <source>会超出功率计的最大输入</source>
        <translation>the meter&apos;s maximum input would be exceeded</translation>
    </message>
    <message>
        <source>相邻两个电平都不在窗口内</source>
        <translation>neither of two adjacent levels is inside the window</translation>
    </message>
    <message>
        <source>功率计或实时电调出错</source>
        <translation>the meter or the live tune failed</translation>
    </message>
    <message>
        <source>本表发射时间用尽</source>
        <translation>the table&apos;s keyed time ran out</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>未尝试</source>
        <translation>not tried</translation>
    </message>
    <message>
        <source>A段</source>
        <translation>Band A</translation>
    </message>
    <message>
        <source>B段</source>
        <translation>Band B</translation>
    </message>
    <message>
        <source>校准方案 %1 无效:
%2</source>
        <translation>The alignment plan %1 is not valid:
%2</translation>
    </message>
    <message>
        <source>校准方案 %1 没有这些表的目标: %2</source>
        <translation>The alignment plan %1 has no targets for: %2</translation>
    </message>
    <message>
        <source>校准方案的衰减器为 %1 dB，功率计设置为 %2 dB。
按功率计设置的 %2 dB 校准吗?</source>
        <translation>The alignment plan&apos;s attenuator is %1 dB, the meter settings say %2 dB.
Align with the meter settings&apos; %2 dB?</translation>
    </message>
    <message>
        <source>自动校准已取消，窗口中的校准数据没有改变。</source>
        <translation>Auto-alignment cancelled; the alignment data in the window are unchanged.</translation>
    </message>
    <message>
        <source>自动校准: %1 个点中 %2 个已校准。</source>
        <translation>Auto-alignment: %2 of %1 points aligned.</translation>
    </message>
    <message>
        <source>未校准:</source>
        <translation>Not aligned:</translation>
    </message>
    <message>
        <source>请用“写入”把校准数据写入对讲机。</source>
        <translation>Use Write to put the alignment data into the radio.</translation>
    </message>
    <message>
        <source>未校准的点保留原来的电平。</source>
        <translation>The points not aligned keep their previous levels.</translation>
    </message>
    <message>
        <source>保存 %1 失败:
%2</source>
        <translation>Saving %1 failed:
%2</translation>
    </message>
    <message>
        <source>功率计的校准已于 %1 到期，读数可能不准。
仍然自动校准吗?</source>
        <translation>The meter&apos;s calibration was due on %1; its readings may be off.
Align automatically all the same?</translation>
    </message>
</context>
<context>
    <name>velmora::CAlignMainDlg</name>
    <message>
        <source>%1 %2 失败:
%3</source>
        <translation>Could not %1 %2:
%3</translation>
    </message>
    <message>
        <source>A段接收</source>
        <translation>Band A</translation>
    </message>
    <message>
        <source>B段接收</source>
        <translation>Band B</translation>
    </message>
    <message>
        <source>曲线</source>
        <translation>Curves</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>save</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>open</translation>
    </message>
    <message>
        <source>文件大小为 %1 字节，不是 %2 字节</source>
        <translation>The file is %1 bytes, not %2 bytes</translation>
    </message>
    <message>
        <source>正在与对讲机通信，请等通信结束后再关闭本窗口。</source>
        <translation>Talking to the radio; close the window once the transfer has finished.</translation>
    </message>
    <message>
        <source>未命名</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>尚未读出或打开校准数据，确定要把默认值写入对讲机吗?</source>
        <translation>Nothing has been read or opened yet. Write the default values to the radio?</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>曲线无法显示:
%1</source>
        <translation>The curves cannot be shown:
%1</translation>
    </message>
</context>
<context>
    <name>velmora::CBandPageDlg</name>
    <message>
        <source>A段</source>
        <translation>Band A</translation>
    </message>
    <message>
        <source>B段</source>
        <translation>Band B</translation>
    </message>
    <message>
        <source>频段</source>
        <translation>base frequency</translation>
    </message>
    <message>
        <source>步进</source>
        <translation>step</translation>
    </message>
    <message>
        <source>接收下限</source>
        <translation>RX low limit</translation>
    </message>
    <message>
        <source>接收上限</source>
        <translation>RX high limit</translation>
    </message>
    <message>
        <source>发射下限</source>
        <translation>TX low limit</translation>
    </message>
    <message>
        <source>发射上限</source>
        <translation>TX high limit</translation>
    </message>
    <message>
        <source>实时电调</source>
        <translation>live tuning</translation>
    </message>
    <message>
        <source>%1 亚音</source>
        <translation>%1 CTCSS tone</translation>
    </message>
    <message>
        <source>%1 列 %2</source>
        <translation>%1 column %2</translation>
    </message>
    <message>
        <source>自动校准%1表</source>
        <translation>Auto-align the %1 table</translation>
    </message>
    <message>
        <source>接收电调不能自动校准</source>
        <translation>The receive tuning cannot be auto-aligned</translation>
    </message>
</context>
<context>
    <name>velmora::CurveWindow</name>
    <message>
        <source>曲线</source>
        <translation>Curves</translation>
    </message>
    <message>
        <source>B段</source>
        <translation>Band B</translation>
    </message>
    <message>
        <source>A段</source>
        <translation>Band A</translation>
    </message>
</context>
<context>
    <name>velmora::HistoryDlg</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>作业</source>
        <translation>Job</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Outcome</translation>
    </message>
    <message>
        <source>工位</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>操作员</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>序列号:</source>
        <translation>Serial:</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>打开作业前的数据</source>
        <translation>Open the data before the job</translation>
    </message>
    <message>
        <source>打开作业后的数据</source>
        <translation>Open the data after the job</translation>
    </message>
    <message>
        <source>没有序列号 %1 的记录</source>
        <translation>No records of serial %1</translation>
    </message>
</context>
<context>
    <name>velmora::LotStatisticsDlg</name>
    <message>
        <source>起始日期(&amp;S):</source>
        <translation>&amp;Since:</translation>
    </message>
    <message>
        <source>查询(&amp;Q)</source>
        <translation>&amp;Query</translation>
    </message>
    <message>
        <source>保存报告(&amp;E)...</source>
        <translation>Sav&amp;e report...</translation>
    </message>
    <message>
        <source>批次统计</source>
        <translation>Lot statistics</translation>
    </message>
    <message>
        <source>本机记录</source>
        <translation>This bench&apos;s records</translation>
    </message>
    <message>
        <source>产线数据库</source>
        <translation>The line&apos;s database</translation>
    </message>
    <message>
        <source>各点统计</source>
        <translation>Per point</translation>
    </message>
    <message>
        <source>离群与漂移</source>
        <translation>Outliers and drift</translation>
    </message>
    <message>
        <source>图表</source>
        <translation>Charts</translation>
    </message>
    <message>
        <source>批次(&amp;L):</source>
        <translation>&amp;Lot:</translation>
    </message>
    <message>
        <source>工位(&amp;T):</source>
        <translation>S&amp;tation:</translation>
    </message>
    <message>
        <source>记录(&amp;R):</source>
        <translation>&amp;Records:</translation>
    </message>
    <message>
        <source>主机 或 主机/工位</source>
        <translation>host or host/bench</translation>
    </message>
    <message>
        <source>正在查询…</source>
        <translation>Querying…</translation>
    </message>
    <message>
        <source>查询失败: %1</source>
        <translation>Query failed: %1</translation>
    </message>
    <message>
        <source>没有符合条件的校准记录。</source>
        <translation>No alignment records match.</translation>
    </message>
    <message>
        <source>%1: 报告须以 .html、.csv 或 .json 结尾。</source>
        <translation>%1: a report&apos;s name ends in .html, .csv or .json.</translation>
    </message>
    <message>
        <source>保存 %1 失败:
%2</source>
        <translation>Saving %1 failed:
%2</translation>
    </message>
</context>
<context>
    <name>velmora::MainWindowCommands</name>
    <message>
        <source>读出(&amp;R)</source>
        <translation>&amp;Read</translation>
    </message>
    <message>
        <source>从对讲机读出校准数据 (%1)</source>
        <translation>Read the alignment data from the radio (%1)</translation>
    </message>
    <message>
        <source>写入(&amp;W)</source>
        <translation>&amp;Write</translation>
    </message>
    <message>
        <source>把窗口中的校准数据写入对讲机 (%1)</source>
        <translation>Write the alignment data in the window into the radio (%1)</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>把校准数据另存为 .dat 文件 (%1)</source>
        <translation>Save the alignment data as a .dat file (%1)</translation>
    </message>
    <message>
        <source>打开(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>打开 .dat 校准文件 (%1)</source>
        <translation>Open a .dat calibration file (%1)</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>打开(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>最近打开的文件(&amp;R)</source>
        <translation>Open &amp;Recent</translation>
    </message>
    <message>
        <source>另存为(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>退出(&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>对讲机(&amp;A)</source>
        <translation>R&amp;adio</translation>
    </message>
    <message>
        <source>写入(&amp;W)...</source>
        <translation>&amp;Write...</translation>
    </message>
    <message>
        <source>查看(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>曲线(&amp;C)</source>
        <translation>&amp;Curves</translation>
    </message>
    <message>
        <source>设置(&amp;T)</source>
        <translation>Se&amp;ttings</translation>
    </message>
    <message>
        <source>语言(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>手册(&amp;M)</source>
        <translation>&amp;Manual</translation>
    </message>
    <message>
        <source>下次启动 Velmora 时使用所选语言。</source>
        <translation>Velmora uses the chosen language from its next start.</translation>
    </message>
    <message>
        <source>打开备份文件夹</source>
        <translation>Open Backups Folder</translation>
    </message>
    <message>
        <source>备份文件夹: %1</source>
        <translation>Backups folder: %1</translation>
    </message>
    <message>
        <source>功率计(&amp;M)...</source>
        <translation>Power &amp;meter...</translation>
    </message>
    <message>
        <source>自动校准(&amp;L)...</source>
        <translation>Auto-a&amp;lign...</translation>
    </message>
    <message>
        <source>整段自动校准(&amp;B)...</source>
        <translation>Auto-align the &amp;band...</translation>
    </message>
    <message>
        <source>产线模式(&amp;P)...</source>
        <translation>&amp;Production line mode...</translation>
    </message>
    <message>
        <source>历史记录(&amp;H)...</source>
        <translation>&amp;History...</translation>
    </message>
    <message>
        <source>批次统计(&amp;S)...</source>
        <translation>Lot &amp;statistics...</translation>
    </message>
</context>
<context>
    <name>velmora::ManualWindow</name>
    <message>
        <source>Velmora 手册</source>
        <translation>Velmora manual</translation>
    </message>
</context>
<context>
    <name>velmora::MeterSettingsDlg</name>
    <message>
        <source>测试</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>功率计设置</source>
        <translation>Power meter settings</translation>
    </message>
    <message>
        <source>tcp://主机:端口, serial:///dev/ttyUSB0?baud=9600, usbtmc:///dev/usbtmc0 或 sim:</source>
        <translation>tcp://HOST:PORT, serial:///dev/ttyUSB0?baud=9600, usbtmc:///dev/usbtmc0 or sim:</translation>
    </message>
    <message>
        <source>地址(&amp;U):</source>
        <translation>&amp;URL:</translation>
    </message>
    <message>
        <source>指令集(&amp;D):</source>
        <translation>&amp;Dialect:</translation>
    </message>
    <message>
        <source>衰减器(&amp;A):</source>
        <translation>&amp;Attenuator:</translation>
    </message>
    <message>
        <source>正在连接 %1…</source>
        <translation>Connecting to %1…</translation>
    </message>
    <message>
        <source>功率计: %1</source>
        <translation>Meter: %1</translation>
    </message>
    <message>
        <source>失败: %1</source>
        <translation>Failed: %1</translation>
    </message>
    <message>
        <source>未设置</source>
        <translation>None</translation>
    </message>
    <message>
        <source>校准到期(&amp;C):</source>
        <translation>&amp;Calibration due:</translation>
    </message>
</context>
<context>
    <name>velmora::StationMode</name>
    <message>
        <source>请先在 设置 → 功率计 中设置功率计。</source>
        <translation>Set up the power meter first in Settings → Power meter.</translation>
    </message>
    <message>
        <source>功率计的校准已于 %1 到期，产线模式不能使用它。</source>
        <translation>The power meter&apos;s calibration was due on %1; production line mode cannot use it.</translation>
    </message>
    <message>
        <source>校准方案 %1 无效:
%2</source>
        <translation>The alignment plan %1 is not valid:
%2</translation>
    </message>
    <message>
        <source>产线模式无法启动: %1</source>
        <translation>Production line mode cannot start: %1</translation>
    </message>
    <message>
        <source> (校准到期 %1)</source>
        <translation> (calibration due %1)</translation>
    </message>
    <message>
        <source>序列号 %1 今天已经 PASS。再校准一次吗?</source>
        <translation>Serial number %1 has already passed today. Align it again?</translation>
    </message>
</context>
<context>
    <name>velmora::StationView</name>
    <message>
        <source>产线模式</source>
        <translation>Production line mode</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>对讲机(&amp;A)</source>
        <translation>R&amp;adio</translation>
    </message>
    <message>
        <source>退出产线模式(&amp;X)</source>
        <translation>E&amp;xit production line mode</translation>
    </message>
    <message>
        <source>校准方案: %1    功率计: %2    端口: COM%3</source>
        <translation>Plan: %1    Power meter: %2    Port: COM%3</translation>
    </message>
    <message>
        <source>读出</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>自动校准</source>
        <translation>Auto-align</translation>
    </message>
    <message>
        <source>写入并校验</source>
        <translation>Write and verify</translation>
    </message>
    <message>
        <source>记录</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>步骤</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>产线模式已停止: %1</source>
        <translation>Production line mode stopped: %1</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>进行中</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>Skipped</translation>
    </message>
</context>
<context>
    <name>velmora::WindowPrompts</name>
    <message>
        <source>JSON 文件 (*.json);;所有文件 (*)</source>
        <translation>JSON files (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>HTML 报告 (*.html);;CSV 表格 (*.csv);;JSON 文件 (*.json)</source>
        <translation>HTML report (*.html);;CSV table (*.csv);;JSON file (*.json)</translation>
    </message>
</context>
<context>
    <name>velmora::WindowRecords</name>
    <message>
        <source>序列号:</source>
        <translation>Serial:</translation>
    </message>
    <message>
        <source>待上传记录: %1</source>
        <translation>records waiting: %1</translation>
    </message>
    <message>
        <source>本次记录未能保存: %1</source>
        <translation>This job&apos;s record was not kept: %1</translation>
    </message>
</context>
</TS>
