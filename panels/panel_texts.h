#pragma once
// The panels' own operator texts (beyond their controls' captions), in one
// place, marked for the catalogues and looked up with PanelText when shown.
#include <string>

#include "platform/texts.h"

namespace ks::panels {

inline std::string PanelText(const char* source) { return Tr("panels", source); }

// Machining parameters: a value outside its range is refused with these.
inline constexpr const char* kTextWidthRefused = KS_TEXT("panels", "您输入的脉宽值有误");
inline constexpr const char* kTextIntervalRefused = KS_TEXT("panels", "您输入的脉间值有误");
inline constexpr const char* kTextPowerRefused = KS_TEXT("panels", "您输入的功放值有误");
inline constexpr const char* kTextCapRefused = KS_TEXT("panels", "您输入的电容值有误");
inline constexpr const char* kTextVoltRefused = KS_TEXT("panels", "您输入的电压值有误");
inline constexpr const char* kTextSpeedRefused = KS_TEXT("panels", "您输入的加工速度值有误");
inline constexpr const char* kTextLiftRefused = KS_TEXT("panels", "您输入的抬刀高度值有误");
inline constexpr const char* kTextUpperRefused = KS_TEXT("panels", "您输入的定深上限位值有误");
inline constexpr const char* kTextLowerRefused = KS_TEXT("panels", "您输入的定深下限位值有误");
// The six segment values go out as one group, only when each lies in its
// range: the message that names the others, one line per value.
inline constexpr const char* kTextSegmentNotSentTitle = KS_TEXT("panels", "加工参数未发送");
inline constexpr const char* kTextSegmentNotSent =
    KS_TEXT("panels", "六个加工参数作为一组发送，每个都须在范围内。以下参数尚未设定或超出范围：");
inline constexpr const char* kTextRangeLine = KS_TEXT("panels", "%1：%2～%3（现为%4）");
inline constexpr const char* kTextWidthName = KS_TEXT("panels", "脉宽");
inline constexpr const char* kTextIntervalName = KS_TEXT("panels", "脉间");
inline constexpr const char* kTextPowerName = KS_TEXT("panels", "功放");
inline constexpr const char* kTextCapName = KS_TEXT("panels", "电容");
inline constexpr const char* kTextVoltName = KS_TEXT("panels", "电压");
inline constexpr const char* kTextSpeedName = KS_TEXT("panels", "速度");

// File processing: the file pickers' filters ("name(patterns)|patterns|...")
// and the output folder picker's title.
inline constexpr const char* kTextDxfFilter = KS_TEXT("panels", "加工文件(*.dxf)|*.dxf|所有文件(*.*)|*.*||");
inline constexpr const char* kTextJobFilter = KS_TEXT("panels", "加工文件(*.NC)|*.NC|所有文件(*.*)|*.*||");
inline constexpr const char* kTextOutputFolder = KS_TEXT("panels", "请选择要保存文件的文件夹");
// Under the output folder after a conversion: the program written and its holes.
inline constexpr const char* kTextConverted = KS_TEXT("panels", "已生成：%1（%2个孔）");
inline constexpr const char* kTextConvertedEmpty = KS_TEXT("panels", "已生成：%1（没有孔）");
// A conversion that found no circle in the diameter range.
inline constexpr const char* kTextNoCircleTitle = KS_TEXT("panels", "范围内没有圆");
inline constexpr const char* kTextNoCircle =
    KS_TEXT("panels", "图纸中没有直径在%1～%2mm之间的圆。\n生成的%3不含孔，请检查直径范围和图纸。");

// About the system: which build runs and where its files are.
inline constexpr const char* kTextSystemInfo = KS_TEXT("panels", "版本：%1\n程序文件夹：%2\n设置文件夹：%3");

}  // namespace ks::panels
