<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>console</name>
    <message>
        <source>Kestrane 分体机Ver19.2  加工文件:---------%1</source>
        <translation>Kestrane split-type Ver19.2  Job file:---------%1</translation>
    </message>
    <message>
        <source>连接成功 , 串口号COM%1</source>
        <translation>Connected , port COM%1</translation>
    </message>
    <message>
        <source>未 建立通信</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>未找到指定路径的加工文件</source>
        <translation>The job file was not found where the settings say</translation>
    </message>
    <message>
        <source>完成率:%1%</source>
        <translation>Done:%1%</translation>
    </message>
    <message>
        <source>   暂停状态   预约暂停孔号 N </source>
        <translation>   Paused   Pause at hole N </translation>
    </message>
    <message>
        <source>   走位状态   预约暂停孔号 N </source>
        <translation>   Moving   Pause at hole N </translation>
    </message>
    <message>
        <source>   加工状态   预约暂停孔号 N </source>
        <translation>   Drilling   Pause at hole N </translation>
    </message>
    <message>
        <source>轴未到达孔位，已暂停</source>
        <translation>Axes not on the hole, paused</translation>
    </message>
    <message>
        <source>通信中断，已暂停</source>
        <translation>Link lost, paused</translation>
    </message>
    <message>
        <source>通信中断，正在重新连接控制器…</source>
        <translation>Link lost, reconnecting…</translation>
    </message>
    <message>
        <source>加工记录无法写入</source>
        <translation>Job record not written</translation>
    </message>
    <message>
        <source>设置文件写入失败，孔号未保存</source>
        <translation>Settings not written, hole not saved</translation>
    </message>
    <message>
        <source>连接成功 , 端口号COM%1   </source>
        <translation>Connected , port COM%1   </translation>
    </message>
    <message>
        <source>串口设备不存在：请检查连线、转换器和串口号</source>
        <translation>No such serial device: check the cable, the adapter and the port number</translation>
    </message>
    <message>
        <source>无权打开串口：请把操作员账户加入 dialout 组后重新登录</source>
        <translation>No permission to open the serial port: add the operator&apos;s account to the dialout group and log in again</translation>
    </message>
    <message>
        <source>串口被其他程序占用</source>
        <translation>The serial port is in use by another program</translation>
    </message>
    <message>
        <source>该设备不是串口</source>
        <translation>This device is not a serial port</translation>
    </message>
    <message>
        <source>串口打开失败</source>
        <translation>The serial port could not be opened</translation>
    </message>
    <message>
        <source>无法建立孔位图的OpenGL绘图环境，控制台未读取设置、未连接机床。
请检查显卡驱动或远程桌面的OpenGL支持后重新启动。</source>
        <translation>The hole map could not get an OpenGL drawing context; the console has not read its settings or connected to the machine.
Check the graphics driver or the remote desktop&apos;s OpenGL support, then start again.</translation>
    </message>
</context>
<context>
    <name>jobfiles</name>
    <message>
        <source>文件打开出错</source>
        <translation>Error opening the file</translation>
    </message>
    <message>
        <source>图纸核对：NC文件与图纸中的圆不一致，加工前请核对图纸</source>
        <translation>Drawing check: the NC file and the drawing&apos;s circles differ; check the drawing before machining</translation>
    </message>
    <message>
        <source>未写入的圆：%1个</source>
        <translation>Circles not written: %1</translation>
    </message>
    <message>
        <source>&#x3000;旧版DXF格式（无子类标记）：%1个</source>
        <translation>  older DXF layout (no subclass markers): %1</translation>
    </message>
    <message>
        <source>&#x3000;缺少可选组码或组码顺序不同：%1个</source>
        <translation>  optional group codes missing or in another order: %1</translation>
    </message>
    <message>
        <source>&#x3000;在块中（经块参照插入）：%1个</source>
        <translation>  inside blocks (placed by INSERT): %1</translation>
    </message>
    <message>
        <source>&#x3000;圆心超出±1000mm：%1个</source>
        <translation>  centre beyond ±1000 mm: %1</translation>
    </message>
    <message>
        <source>&#x3000;格式错误之后未读：%1个</source>
        <translation>  not read after a format error: %1</translation>
    </message>
    <message>
        <source>&#x3000;其他原因：%1个</source>
        <translation>  other reasons: %1</translation>
    </message>
    <message>
        <source>多写入的孔：%1个</source>
        <translation>Holes written in excess: %1</translation>
    </message>
    <message>
        <source>&#x3000;圆弧被当作孔：%1个</source>
        <translation>  arcs taken as holes: %1</translation>
    </message>
    <message>
        <source>&#x3000;其他：%1个</source>
        <translation>  others: %1</translation>
    </message>
    <message>
        <source>图纸中的圆超过%1个（含块中的），其余未读入</source>
        <translation>The drawing has more than %1 circles (blocks included); the rest were not read</translation>
    </message>
    <message>
        <source>DXF文件打开出错</source>
        <translation>Error opening the DXF file</translation>
    </message>
    <message>
        <source>DXF文件格式有误</source>
        <translation>The DXF file&apos;s format is wrong</translation>
    </message>
    <message>
        <source>孔的个数超出范围，建议重新绘图</source>
        <translation>Too many holes; please redraw</translation>
    </message>
    <message>
        <source>创建记录文件失败！</source>
        <translation>Could not create the NC file!</translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>The file does not exist</translation>
    </message>
</context>
<context>
    <name>link</name>
    <message>
        <source>√通信正常</source>
        <translation>√Link OK</translation>
    </message>
    <message>
        <source>通信校验错误！<byte value="xd"/>
</source>
        <translation>Link CRC error!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>通信设备地址错误！<byte value="xd"/>
</source>
        <translation>Link: wrong device address!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>通信功能码错误！<byte value="xd"/>
</source>
        <translation>Link: wrong function code!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>通信数据错误！<byte value="xd"/>
</source>
        <translation>Link data error!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>通信应答数据长度错误！<byte value="xd"/>
</source>
        <translation>Link: wrong answer length!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>通信写入超时错误！<byte value="xd"/>
</source>
        <translation>Link write time-out!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>通信应答超时！<byte value="xd"/>
</source>
        <translation>Link answer time-out!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>通信保留功能！<byte value="xd"/>
</source>
        <translation>Link reserved function!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>通信未知错误！<byte value="xd"/>
</source>
        <translation>Unknown link error!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>           X正限位 已触发</source>
        <translation>           X+ limit tripped</translation>
    </message>
    <message>
        <source>           X负限位 已触发</source>
        <translation>           X- limit tripped</translation>
    </message>
    <message>
        <source>           Y正限位 已触发</source>
        <translation>           Y+ limit tripped</translation>
    </message>
    <message>
        <source>           Y负限位 已触发</source>
        <translation>           Y- limit tripped</translation>
    </message>
    <message>
        <source>           C正限位 已触发</source>
        <translation>           C+ limit tripped</translation>
    </message>
    <message>
        <source>           C负限位 已触发</source>
        <translation>           C- limit tripped</translation>
    </message>
    <message>
        <source>           Z正限位 已触发</source>
        <translation>           Z+ limit tripped</translation>
    </message>
    <message>
        <source>           Z负限位 已触发</source>
        <translation>           Z- limit tripped</translation>
    </message>
    <message>
        <source>           S1信号  已触发</source>
        <translation>           S1 signal tripped</translation>
    </message>
    <message>
        <source>           S2信号   已触发</source>
        <translation>           S2 signal tripped</translation>
    </message>
    <message>
        <source>           S3信号   已触发</source>
        <translation>           S3 signal tripped</translation>
    </message>
    <message>
        <source>           S4信号   已触发</source>
        <translation>           S4 signal tripped</translation>
    </message>
    <message>
        <source>           S5信号   已触发</source>
        <translation>           S5 signal tripped</translation>
    </message>
    <message>
        <source>           打穿检测 已触发</source>
        <translation>           Break-through seen</translation>
    </message>
</context>
<context>
    <name>panels</name>
    <message>
        <source>您输入的脉宽值有误</source>
        <translation>The pulse width you entered is not valid</translation>
    </message>
    <message>
        <source>您输入的脉间值有误</source>
        <translation>The pulse interval you entered is not valid</translation>
    </message>
    <message>
        <source>您输入的功放值有误</source>
        <translation>The power stage you entered is not valid</translation>
    </message>
    <message>
        <source>您输入的电容值有误</source>
        <translation>The capacitor value you entered is not valid</translation>
    </message>
    <message>
        <source>您输入的电压值有误</source>
        <translation>The voltage you entered is not valid</translation>
    </message>
    <message>
        <source>您输入的加工速度值有误</source>
        <translation>The machining speed you entered is not valid</translation>
    </message>
    <message>
        <source>您输入的抬刀高度值有误</source>
        <translation>The lift height you entered is not valid</translation>
    </message>
    <message>
        <source>您输入的定深上限位值有误</source>
        <translation>The upper depth limit you entered is not valid</translation>
    </message>
    <message>
        <source>您输入的定深下限位值有误</source>
        <translation>The lower depth limit you entered is not valid</translation>
    </message>
    <message>
        <source>版本：%1
程序文件夹：%2
设置文件夹：%3</source>
        <translation>Version: %1
Program folder: %2
Settings folder: %3</translation>
    </message>
    <message>
        <source>加工文件(*.dxf)|*.dxf|所有文件(*.*)|*.*||</source>
        <translation>Drawings (*.dxf)|*.dxf|All files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>加工文件(*.NC)|*.NC|所有文件(*.*)|*.*||</source>
        <translation>Jobs (*.NC)|*.NC|All files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>请选择要保存文件的文件夹</source>
        <translation>Choose the folder to save the file in</translation>
    </message>
</context>
<context>
    <name>pictures</name>
    <message>
        <source>已锁</source>
        <translation>Locked</translation>
    </message>
    <message>
        <source>未锁</source>
        <translation>Free</translation>
    </message>
    <message>
        <source>开</source>
        <translation>On</translation>
    </message>
    <message>
        <source>关</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>图纸</source>
        <translation>DXF</translation>
    </message>
    <message>
        <source>孔径</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>输出</source>
        <translation>Out</translation>
    </message>
    <message>
        <source>加工</source>
        <translation>Job</translation>
    </message>
    <message>
        <source>选好输出文件夹即开始转换；退出时保存全部设置。</source>
        <translation>Choosing the output folder starts the conversion; Exit saves all settings.</translation>
    </message>
    <message>
        <source>关于系统</source>
        <translation>About the system</translation>
    </message>
    <message>
        <source>Kestrane 电火花小孔机控制台</source>
        <translation>Kestrane EDM small-hole drilling console</translation>
    </message>
    <message>
        <source>· 控制台经串口 (Modbus RTU, 57600 bps) 与机床控制柜通信。</source>
        <translation>· The console talks to the cabinet over a serial line (Modbus RTU, 57600 bps).</translation>
    </message>
    <message>
        <source>· 加工前请确认工件装夹牢固，电极与导向器已对中。</source>
        <translation>· Before machining, clamp the work firmly and align electrode and guide.</translation>
    </message>
    <message>
        <source>· 高频开启时请勿触碰电极、工件和工作液。</source>
        <translation>· While HF is on, do not touch the electrode, the work or the dielectric.</translation>
    </message>
    <message>
        <source>· 机床走位或加工时，文件处理、定位分中和机床参数不可打开。</source>
        <translation>· While the machine moves or drills, File, Positioning and Machine stay closed.</translation>
    </message>
    <message>
        <source>· 每完成一孔即记录孔号，重新启动后从记录的孔号继续。</source>
        <translation>· Each finished hole is recorded; after a restart the job goes on from there.</translation>
    </message>
    <message>
        <source>· 通信中断时请检查电缆和串口设置，再重新启动本程序。</source>
        <translation>· If the link fails, check the cable and the port setting, then restart this program.</translation>
    </message>
    <message>
        <source>紧急情况请立即按下机床急停按钮。</source>
        <translation>In an emergency, press the machine&apos;s emergency stop at once.</translation>
    </message>
</context>
<context>
    <name>templates</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>关于 Kestrane</source>
        <translation>About Kestrane</translation>
    </message>
    <message>
        <source>Kestrane 小孔机控制台 %1 版</source>
        <translation>Kestrane console %1</translation>
    </message>
    <message>
        <source>版权所有 (C) 2026 Kestrane</source>
        <translation>Copyright (C) 2026 Kestrane</translation>
    </message>
    <message>
        <source>通信状态</source>
        <translation>Link status</translation>
    </message>
    <message>
        <source>串口接收</source>
        <translation>Serial receive</translation>
    </message>
    <message>
        <source>完成率</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>跳孔</source>
        <translation>Skip hole</translation>
    </message>
    <message>
        <source>定孔</source>
        <translation>Pause hole</translation>
    </message>
    <message>
        <source>上一孔</source>
        <translation>Prev hole</translation>
    </message>
    <message>
        <source>下一孔</source>
        <translation>Next hole</translation>
    </message>
    <message>
        <source>锁轴</source>
        <translation>Lock axes</translation>
    </message>
    <message>
        <source>继续/暂停</source>
        <translation>Resume/Pause</translation>
    </message>
    <message>
        <source>坐标同步</source>
        <translation>Visit only</translation>
    </message>
    <message>
        <source>水泵</source>
        <translation>Pump</translation>
    </message>
    <message>
        <source>高频</source>
        <translation>HF</translation>
    </message>
    <message>
        <source>提前中止</source>
        <translation>Abort hole</translation>
    </message>
    <message>
        <source>旋转头</source>
        <translation>Rot. head</translation>
    </message>
    <message>
        <source>开关打孔</source>
        <translation>Drilling</translation>
    </message>
    <message>
        <source>文件处理</source>
        <translation>File</translation>
    </message>
    <message>
        <source>加工参数</source>
        <translation>Machining</translation>
    </message>
    <message>
        <source>定位分中</source>
        <translation>Positioning</translation>
    </message>
    <message>
        <source>机床参数</source>
        <translation>Machine</translation>
    </message>
    <message>
        <source>关于系统</source>
        <translation>About</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>停止/启动</source>
        <translation>Stop/Start</translation>
    </message>
    <message>
        <source>选择dxf文件</source>
        <translation>Choose DXF</translation>
    </message>
    <message>
        <source>选择直径范围</source>
        <translation>Diameter range</translation>
    </message>
    <message>
        <source>生成NC加工文件</source>
        <translation>Make NC job</translation>
    </message>
    <message>
        <source>指定当前加工文件</source>
        <translation>Set current job</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>自动定深设定</source>
        <translation>Auto depth</translation>
    </message>
    <message>
        <source>上限位值</source>
        <translation>Upper limit</translation>
    </message>
    <message>
        <source>下限位值</source>
        <translation>Lower limit</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>自动抬刀设定</source>
        <translation>Auto lift</translation>
    </message>
    <message>
        <source>抬刀高度</source>
        <translation>Lift height</translation>
    </message>
    <message>
        <source>该参数用于打穿后自动抬起高度</source>
        <translation>How far the electrode lifts after break-through</translation>
    </message>
    <message>
        <source>段号</source>
        <translation>Seg</translation>
    </message>
    <message>
        <source>脉宽</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>脉间</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>功放</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>电容</source>
        <translation>Cap</translation>
    </message>
    <message>
        <source>电压</source>
        <translation>Volt</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>手动移轴</source>
        <translation>Jog axes</translation>
    </message>
    <message>
        <source>手动速度</source>
        <translation>Jog speed</translation>
    </message>
    <message>
        <source>点动</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>慢速</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>中速</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>快速</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>坐标值设定</source>
        <translation>Set coordinates</translation>
    </message>
    <message>
        <source>X设定</source>
        <translation>Set X</translation>
    </message>
    <message>
        <source>Y设定</source>
        <translation>Set Y</translation>
    </message>
    <message>
        <source>Z设定</source>
        <translation>Set Z</translation>
    </message>
    <message>
        <source>通信端口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>速度设定</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>1挡</source>
        <translation>Speed 1</translation>
    </message>
    <message>
        <source>2挡</source>
        <translation>Speed 2</translation>
    </message>
    <message>
        <source>3挡</source>
        <translation>Speed 3</translation>
    </message>
    <message>
        <source>4挡</source>
        <translation>Speed 4</translation>
    </message>
    <message>
        <source>5挡</source>
        <translation>Speed 5</translation>
    </message>
    <message>
        <source>视图居中设置</source>
        <translation>Map centring</translation>
    </message>
    <message>
        <source>当前孔居中</source>
        <translation>On current hole</translation>
    </message>
    <message>
        <source>中心点居中</source>
        <translation>On centre point</translation>
    </message>
    <message>
        <source>关于 Kestrane(&amp;A)...</source>
        <translation>&amp;About Kestrane...</translation>
    </message>
</context>
<context>
    <name>window</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
</context>
</TS>
