#pragma once
// The console's settings file: its name, its one section, its keys, the
// texts that stand in for a missing key and the values a new file gets.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ks::settings {

inline constexpr std::string_view kFileName = "KSConfig.ini";
inline constexpr std::string_view kSection = "FileParam Info";

namespace key {
inline constexpr std::string_view OpenDXFAbsolutePath = "OpenDXFAbsolutePath";
inline constexpr std::string_view OpenDXFPath = "OpenDXFPath";
inline constexpr std::string_view DiameterMin = "DiameterMin";
inline constexpr std::string_view DiameterMax = "DiameterMax";
inline constexpr std::string_view SaveNCPath = "SaveNCPath";
inline constexpr std::string_view DirNCPath = "DirNCPath";
inline constexpr std::string_view Com = "Com";
inline constexpr std::string_view Speed = "Speed";
inline constexpr std::string_view LockMotor = "LockMotor";
inline constexpr std::string_view Hole = "Hole";
inline constexpr std::string_view ViewType = "ViewType";
inline constexpr std::string_view ViewScale = "ViewScale";
// Which DXF reader the file processing panel converts with: "full" for the
// full reader; absent or anything else, the written one. Only read, never
// written: it is set by hand.
inline constexpr std::string_view DxfReader = "DxfReader";
// How the panel takes a drawing's lengths: "drawing" converts them to
// millimetres by the unit the drawing names; absent or anything else, they
// are taken as millimetres. Only read, never written, like DxfReader.
inline constexpr std::string_view DxfUnits = "DxfUnits";
}  // namespace key

// Texts read in place of a missing key (they then stand as the value).
namespace missing {
// Main window.
inline constexpr std::string_view DirNCPath = "没找到指定当前加工文件";
inline constexpr std::string_view Com = "没找到正确的串口号";
inline constexpr std::string_view Speed = "没找到指定的速度";
inline constexpr std::string_view LockMotor = "没找到锁轴";
inline constexpr std::string_view Hole = "没找到当前打到第几个孔";
inline constexpr std::string_view ViewType = "没找到正确的视图类型";
inline constexpr std::string_view ViewScale = "没找到正确的缩放尺寸";
// File processing panel.
inline constexpr std::string_view OpenDXFAbsolutePath = "没找到选择的dxf文件";
inline constexpr std::string_view OpenDXFPath = "没找到选择dxf文件";
inline constexpr std::string_view DiameterMin = "没找到直径最小值";
inline constexpr std::string_view DiameterMax = "没找到直径最大值";
inline constexpr std::string_view SaveNCPath = "没找到生成NC加工文件";
inline constexpr std::string_view PanelDirNCPath = "没找到指定当前NC或3B加工文件";
// Machine settings panel.
inline constexpr std::string_view PanelSpeed = "没找到设定的速度值";
inline constexpr std::string_view PanelViewType = "没找到合适的视图类型";
}  // namespace missing

using KeyValues = std::vector<std::pair<std::string_view, std::string_view>>;

// A path key's value that names a file: not empty, not the "0" a new file
// gets, and not the text that stands in for a missing key.
inline bool NamesAFile(std::string_view value) {
    if (value.empty() || value == "0") return false;
    for (std::string_view text : {missing::DirNCPath, missing::OpenDXFAbsolutePath, missing::OpenDXFPath,
                                  missing::SaveNCPath, missing::PanelDirNCPath})
        if (value == text) return false;
    return true;
}

// The machining parameters last sent to the controller, in a section of
// ours beside the console's own, so that the panel opens with what the
// controller holds instead of zeros. Written by the main window after a
// group arrived; a key that is missing or out of range reads as unset.
inline constexpr std::string_view kMachiningSection = "Machining";
namespace machining_key {
inline constexpr std::string_view PulseWidth = "PulseWidth";
inline constexpr std::string_view PulseInterval = "PulseInterval";
inline constexpr std::string_view PowerAmp = "PowerAmp";
inline constexpr std::string_view Capacitance = "Capacitance";
inline constexpr std::string_view Voltage = "Voltage";
inline constexpr std::string_view MachSpeed = "MachSpeed";
inline constexpr std::string_view DepthUpper = "DepthUpper";
inline constexpr std::string_view DepthLower = "DepthLower";
inline constexpr std::string_view LiftHeight = "LiftHeight";
}  // namespace machining_key

// Keys a new file gets, in this order, from each routine that creates it.
inline const KeyValues& ConsoleLoadDefaults() {
    static const KeyValues kv = {
        {key::OpenDXFPath, "0"}, {key::DiameterMin, "0"}, {key::DiameterMax, "0"},
        {key::SaveNCPath, "0"},  {key::DirNCPath, "0"},   {key::Com, "1"},
        {key::Speed, "1"},       {key::LockMotor, "0"},   {key::Hole, "0"},
        {key::ViewType, "1"},    {key::ViewScale, "160"}};
    return kv;
}
inline const KeyValues& ConsoleSaveDefaults() {
    static const KeyValues kv = {
        {key::LockMotor, "0"}, {key::Hole, "0"}, {key::ViewType, "1"}, {key::ViewScale, "160"}};
    return kv;
}
inline const KeyValues& FilePanelDefaults() {
    static const KeyValues kv = {
        {key::OpenDXFAbsolutePath, "0"}, {key::OpenDXFPath, "0"}, {key::DiameterMin, "0"},
        {key::DiameterMax, "0"},         {key::SaveNCPath, "0"},  {key::DirNCPath, "0"}};
    return kv;
}
inline const KeyValues& MachinePanelDefaults() {
    static const KeyValues kv = {{key::Com, "1"}, {key::Speed, "1"}, {key::ViewType, "1"}};
    return kv;
}

// Path of the settings file in `folder` (the program's folder).
std::string SettingsPathIn(const std::string& folder);

// When no file exists at path, writes `defaults` in order into the
// section, which creates the file. Does nothing when the file exists.
void CreateIfMissing(const std::string& path, const KeyValues& defaults);

// The section's value of `name`, or `missingText` when absent.
std::string ReadSetting(const std::string& path, std::string_view name, std::string_view missingText);
bool WriteSetting(const std::string& path, std::string_view name, std::string_view value);
// The same in another section of the file (keys of ours).
std::string ReadSettingIn(const std::string& path, std::string_view section, std::string_view name);
bool WriteSettingIn(const std::string& path, std::string_view section, std::string_view name,
                    std::string_view value);

}  // namespace ks::settings
