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
        <translation>Connected, port COM%1</translation>
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
        <translation>Connected, port COM%1   </translation>
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
    <message>
        <source>坐标已变，请重设X、Y坐标</source>
        <translation>Coordinates changed: set X and Y again</translation>
    </message>
    <message>
        <source>没有加工文件，无法生成加工报告</source>
        <translation>No job file: there is no job report to make</translation>
    </message>
    <message>
        <source>还没有加工记录：%1</source>
        <translation>No job record yet: %1</translation>
    </message>
    <message>
        <source>加工报告无法写入：%1</source>
        <translation>The job report could not be written: %1</translation>
    </message>
    <message>
        <source>无法打开浏览器，加工报告已写入：%1</source>
        <translation>No browser could be opened; the job report is at: %1</translation>
    </message>
    <message>
        <source>通信已恢复，按启动继续</source>
        <translation>Link back: press Start to go on</translation>
    </message>
    <message>
        <source>无加工文件：请在文件处理中指定</source>
        <translation>No job: choose one under File</translation>
    </message>
    <message>
        <source>加工完成，跳过%1孔；复位后重新开始</source>
        <translation>Job complete, %1 skipped; Reset to start again</translation>
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
    <message>
        <source>图纸核对：图纸文件有误，NC文件中的孔可能不全</source>
        <translation>Drawing check: the drawing file is faulty; the NC file may lack holes</translation>
    </message>
    <message>
        <source>图纸文件为空（0字节）</source>
        <translation>The drawing file is empty (0 bytes)</translation>
    </message>
    <message>
        <source>二进制DXF文件：请在CAD软件中另存为ASCII格式的DXF</source>
        <translation>Binary DXF file: save it as an ASCII DXF in the CAD program</translation>
    </message>
    <message>
        <source>文件不是DXF图纸（没有DXF的段）</source>
        <translation>The file is not a DXF drawing (it has no DXF sections)</translation>
    </message>
    <message>
        <source>图纸文件不完整：在结束标记（EOF）之前中断</source>
        <translation>The drawing file is incomplete: it breaks off before its end mark (EOF)</translation>
    </message>
    <message>
        <source>图纸核对：图纸的单位不是毫米，请核对孔的位置和尺寸</source>
        <translation>Drawing check: the drawing&apos;s unit is not the millimetre; check the positions and sizes of the holes</translation>
    </message>
    <message>
        <source>图纸单位：%1（1%1=%2mm），坐标按毫米读入，未换算</source>
        <translation>Drawing unit: %1 (1 %1 = %2 mm); coordinates taken as millimetres, not converted</translation>
    </message>
    <message>
        <source>图纸单位：%1（1%1=%2mm），坐标已换算为毫米</source>
        <translation>Drawing unit: %1 (1 %1 = %2 mm); coordinates converted to millimetres</translation>
    </message>
    <message>
        <source>英寸</source>
        <translation>inch</translation>
    </message>
    <message>
        <source>英尺</source>
        <translation>foot</translation>
    </message>
    <message>
        <source>英里</source>
        <translation>mile</translation>
    </message>
    <message>
        <source>厘米</source>
        <translation>centimetre</translation>
    </message>
    <message>
        <source>米</source>
        <translation>metre</translation>
    </message>
    <message>
        <source>千米</source>
        <translation>kilometre</translation>
    </message>
    <message>
        <source>微英寸</source>
        <translation>microinch</translation>
    </message>
    <message>
        <source>密耳</source>
        <translation>mil</translation>
    </message>
    <message>
        <source>码</source>
        <translation>yard</translation>
    </message>
    <message>
        <source>埃</source>
        <translation>ångström</translation>
    </message>
    <message>
        <source>纳米</source>
        <translation>nanometre</translation>
    </message>
    <message>
        <source>微米</source>
        <translation>micrometre</translation>
    </message>
    <message>
        <source>分米</source>
        <translation>decimetre</translation>
    </message>
    <message>
        <source>十米</source>
        <translation>decametre</translation>
    </message>
    <message>
        <source>百米</source>
        <translation>hectometre</translation>
    </message>
    <message>
        <source>吉米</source>
        <translation>gigametre</translation>
    </message>
    <message>
        <source>天文单位</source>
        <translation>astronomical unit</translation>
    </message>
    <message>
        <source>光年</source>
        <translation>light year</translation>
    </message>
    <message>
        <source>秒差距</source>
        <translation>parsec</translation>
    </message>
    <message>
        <source>美国测量英尺</source>
        <translation>US survey foot</translation>
    </message>
    <message>
        <source>美国测量英寸</source>
        <translation>US survey inch</translation>
    </message>
    <message>
        <source>美国测量码</source>
        <translation>US survey yard</translation>
    </message>
    <message>
        <source>美国测量英里</source>
        <translation>US survey mile</translation>
    </message>
    <message>
        <source>完整读取器可读入图纸中全部的圆：在设置文件中设DxfReader=full（命令行：--reader full）</source>
        <translation>The full reader takes every circle of the drawing: set DxfReader=full in the settings file (command line: --reader full)</translation>
    </message>
    <message>
        <source>图纸中没有直径在范围内的圆：生成的程序不含孔</source>
        <translation>No circle of the drawing lies in the diameter range: the program written holds no hole</translation>
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
    <message>
        <source>串口设备不存在</source>
        <translation>no such device</translation>
    </message>
    <message>
        <source>无权打开串口（请把用户加入 dialout 组后重新登录）</source>
        <translation>permission denied (add the user to the dialout group and log in again)</translation>
    </message>
    <message>
        <source>串口被其他程序占用</source>
        <translation>busy (another program holds the port)</translation>
    </message>
    <message>
        <source>该设备不是串口</source>
        <translation>not a serial port</translation>
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
    <message>
        <source>加工参数未发送</source>
        <translation>Machining parameters not sent</translation>
    </message>
    <message>
        <source>六个加工参数作为一组发送，每个都须在范围内。以下参数尚未设定或超出范围：</source>
        <translation>The six machining parameters are sent as one group, each within its range. These are not set yet or out of range:</translation>
    </message>
    <message>
        <source>%1：%2～%3（现为%4）</source>
        <translation>%1: %2 to %3 (now %4)</translation>
    </message>
    <message>
        <source>脉宽</source>
        <translation>Pulse width</translation>
    </message>
    <message>
        <source>脉间</source>
        <translation>Pulse interval</translation>
    </message>
    <message>
        <source>功放</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>电容</source>
        <translation>Capacitance</translation>
    </message>
    <message>
        <source>电压</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>已生成：%1（%2个孔）</source>
        <translation>Written: %1 (%2 holes)</translation>
    </message>
    <message>
        <source>已生成：%1（没有孔）</source>
        <translation>Written: %1 (no hole)</translation>
    </message>
    <message>
        <source>范围内没有圆</source>
        <translation>No circle in the range</translation>
    </message>
    <message>
        <source>图纸中没有直径在%1～%2mm之间的圆。
生成的%3不含孔，请检查直径范围和图纸。</source>
        <translation>No circle of the drawing has a diameter between %1 and %2 mm.
The program written, %3, holds no hole: check the diameter range and the drawing.</translation>
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
        <source>紧急情况请立即按下机床急停按钮。</source>
        <translation>In an emergency, press the machine&apos;s emergency stop at once.</translation>
    </message>
    <message>
        <source>· 每完成一孔即记录孔号，重新启动后从记录的孔号继续；新指定的加工文件从第1孔开始。</source>
        <translation>· Each finished hole is saved: a restart resumes there; a new job starts at hole 1.</translation>
    </message>
    <message>
        <source>· 加工完成后按“复位”，再按“停止/启动”从第1孔重新开始。</source>
        <translation>· After a job is complete, press Reset, then Stop/Start to begin again at hole 1.</translation>
    </message>
    <message>
        <source>· 通信中断时控制台自动重新连接，无需重新启动本程序；恢复后按“停止/启动”继续。</source>
        <translation>· A lost link reconnects by itself, no restart needed; then press Stop/Start.</translation>
    </message>
    <message>
        <source>· 坐标已变时，请在定位分中中重设X、Y坐标后再启动。</source>
        <translation>· When the coordinates changed, set X and Y again under Positioning before starting.</translation>
    </message>
</context>
<context>
    <name>report</name>
    <message>
        <source>zh-CN</source>
        <translation>en</translation>
    </message>
    <message>
        <source>加工报告</source>
        <translation>Job report</translation>
    </message>
    <message>
        <source>加工文件</source>
        <translation>Job</translation>
    </message>
    <message>
        <source>加工批次</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>第%1批，共%2批</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>First time</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>Last time</translation>
    </message>
    <message>
        <source>已加工孔数</source>
        <translation>Holes drilled</translation>
    </message>
    <message>
        <source>跳过未加工孔数</source>
        <translation>Holes skipped</translation>
    </message>
    <message>
        <source>仅定位孔数</source>
        <translation>Holes visited</translation>
    </message>
    <message>
        <source>重复加工孔数</source>
        <translation>Holes drilled twice</translation>
    </message>
    <message>
        <source>总时间</source>
        <translation>Total time</translation>
    </message>
    <message>
        <source>加工时间</source>
        <translation>Drilling time</translation>
    </message>
    <message>
        <source>暂停时间</source>
        <translation>Pause time</translation>
    </message>
    <message>
        <source>暂停：%1（%2次）</source>
        <translation>Paused: %1 (%2×)</translation>
    </message>
    <message>
        <source>通信中断损失时间</source>
        <translation>Time lost to the link</translation>
    </message>
    <message>
        <source>其他时间（移动、空闲）</source>
        <translation>Other time (moving, idle)</translation>
    </message>
    <message>
        <source>每小时孔数</source>
        <translation>Holes an hour</translation>
    </message>
    <message>
        <source>加工秒数中位数</source>
        <translation>Drilling seconds, median</translation>
    </message>
    <message>
        <source>加工秒数第95百分位</source>
        <translation>Drilling seconds, 95th percentile</translation>
    </message>
    <message>
        <source>加工秒数最大值</source>
        <translation>Drilling seconds, maximum</translation>
    </message>
    <message>
        <source>电极消耗（Z行程合计，mm）</source>
        <translation>Electrode used (sum of Z travel, mm)</translation>
    </message>
    <message>
        <source>每孔电极消耗（mm）</source>
        <translation>Electrode per hole (mm)</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>暂停按钮</source>
        <translation>pause button</translation>
    </message>
    <message>
        <source>预约暂停孔</source>
        <translation>pause hole</translation>
    </message>
    <message>
        <source>控制器请求</source>
        <translation>controller request</translation>
    </message>
    <message>
        <source>通信中断</source>
        <translation>link lost</translation>
    </message>
    <message>
        <source>轴未到达孔位</source>
        <translation>axes off the hole</translation>
    </message>
    <message>
        <source>原因未记录</source>
        <translation>no reason recorded</translation>
    </message>
    <message>
        <source>各孔加工秒数（按孔号）</source>
        <translation>Drilling seconds per hole (hole order)</translation>
    </message>
    <message>
        <source>加工秒数分布</source>
        <translation>Histogram of drilling seconds</translation>
    </message>
    <message>
        <source>板上孔位（颜色：加工秒数）</source>
        <translation>Holes on the plate (colour: drilling seconds)</translation>
    </message>
    <message>
        <source>各孔Z行程</source>
        <translation>Z travel per hole</translation>
    </message>
    <message>
        <source>班次时间线</source>
        <translation>Timeline of the shift</translation>
    </message>
    <message>
        <source>孔号</source>
        <translation>Hole</translation>
    </message>
    <message>
        <source>加工秒数</source>
        <translation>Drilling s</translation>
    </message>
    <message>
        <source>孔数</source>
        <translation>Holes</translation>
    </message>
    <message>
        <source>Z行程 (mm)</source>
        <translation>Z travel (mm)</translation>
    </message>
    <message>
        <source>加工</source>
        <translation>Drilling</translation>
    </message>
    <message>
        <source>暂停：%1</source>
        <translation>Paused: %1</translation>
    </message>
    <message>
        <source>最慢的%1个孔</source>
        <translation>The %1 slowest holes</translation>
    </message>
    <message>
        <source>名次</source>
        <translation>Rank</translation>
    </message>
    <message>
        <source>完成时间</source>
        <translation>Finished at</translation>
    </message>
    <message>
        <source>记录中的加工批次</source>
        <translation>Runs in the record</translation>
    </message>
    <message>
        <source>行</source>
        <translation>Lines</translation>
    </message>
    <message>
        <source>结束方式</source>
        <translation>Ended by</translation>
    </message>
    <message>
        <source>加工完成</source>
        <translation>job end</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>reset</translation>
    </message>
    <message>
        <source>转为另一同名加工文件</source>
        <translation>another job of the same name</translation>
    </message>
    <message>
        <source>记录至此</source>
        <translation>the record stops</translation>
    </message>
    <message>
        <source>（本报告）</source>
        <translation>(this report)</translation>
    </message>
    <message>
        <source>记录检查</source>
        <translation>Found in the record</translation>
    </message>
    <message>
        <source>记录中没有加工事件，报告为空</source>
        <translation>The record holds no event: the report is empty</translation>
    </message>
    <message>
        <source>%1行不完整（写入时断电），已略去：第%2行</source>
        <translation>%1 line(s) cut short (the power went while it was written), left out: line %2</translation>
    </message>
    <message>
        <source>%1行不是加工记录的格式，已略去：第%2行</source>
        <translation>%1 line(s) not in the record&apos;s format, left out: line %2</translation>
    </message>
    <message>
        <source>%1行的事件无法识别，已略去：第%2行</source>
        <translation>%1 line(s) with an unknown event, left out: line %2</translation>
    </message>
    <message>
        <source>%1行的时间早于上一行（电脑时钟被调整过？）：第%2行</source>
        <translation>%1 line(s) stamped earlier than the line before (was the PC&apos;s clock set back?): line %2</translation>
    </message>
    <message>
        <source>%1个孔加工了两次（断电后重新启动？），按第一次加工计入：孔%2</source>
        <translation>%1 hole(s) drilled twice (a restart after a power cut?), counted by their first drilling: hole %2</translation>
    </message>
    <message>
        <source>记录中混有另一个同名加工文件（同一孔号在别的位置），从第%2行起分批显示</source>
        <translation>Lines of another job of the same name (a hole at another place) from line %2: shown as a run of their own</translation>
    </message>
    <message>
        <source>记录中有%1个加工批次，本报告为第%2批（第%3至%4行）；其他批次：kestrane-report --run N</source>
        <translation>The record holds %1 runs; this report shows run %2 (lines %3 to %4); others: kestrane-report --run N</translation>
    </message>
    <message>
        <source>无法读取加工记录%1：%2</source>
        <translation>Cannot read the job record %1: %2</translation>
    </message>
    <message>
        <source>无法写入加工报告%1</source>
        <translation>Cannot write the job report %1</translation>
    </message>
    <message>
        <source>记录中只有%1个加工批次</source>
        <translation>The record holds only %1 run(s)</translation>
    </message>
    <message>
        <source>本程序构建时未带图表库，此处无图（装好npm后重新构建即有）</source>
        <translation>This build has no chart library, so no plot here (build again with npm installed)</translation>
    </message>
    <message>
        <source>坐标已变</source>
        <translation>coordinates changed</translation>
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
        <translation>Coord sync</translation>
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
    <message>
        <source>加工报告</source>
        <translation>Job report</translation>
    </message>
</context>
<context>
    <name>tools</name>
    <message>
        <source>%1 %2 不是数字</source>
        <translation>%1 %2 is no number</translation>
    </message>
    <message>
        <source>最小直径 %1 大于最大直径 %2</source>
        <translation>the minimum diameter %1 is above the maximum %2</translation>
    </message>
    <message>
        <source>已写入%1个孔：%2</source>
        <translation>wrote %1 holes: %2</translation>
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
