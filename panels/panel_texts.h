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

// File processing: the file pickers' filters ("name(patterns)|patterns|...")
// and the output folder picker's title.
inline constexpr const char* kTextDxfFilter = KS_TEXT("panels", "加工文件(*.dxf)|*.dxf|所有文件(*.*)|*.*||");
inline constexpr const char* kTextJobFilter = KS_TEXT("panels", "加工文件(*.NC)|*.NC|所有文件(*.*)|*.*||");
inline constexpr const char* kTextOutputFolder = KS_TEXT("panels", "请选择要保存文件的文件夹");

// About the system: which build runs and where its files are.
inline constexpr const char* kTextSystemInfo = KS_TEXT("panels", "版本：%1\n程序文件夹：%2\n设置文件夹：%3");

}  // namespace ks::panels
