#pragma once
// The drawing-to-NC conversion of the file processing panel: read the
// circles of a DXF drawing, keep those in the diameter range, order them
// into a serpentine path of 1 mm rows and write the next free NC program.
#include <array>
#include <cstdint>
#include <ctime>
#include <cstdio>
#include <functional>
#include <string>

#include "jobfiles/job_loader.h"

namespace ks {

struct HoleRecord {
    int32_t x = 0;       // centre X in micrometres (origin shift, mirroring applied)
    int32_t y = 0;       // centre Y in micrometres (origin shift applied)
    int32_t radius = 0;  // micrometres
    int32_t rowKey = 0;  // 1 mm band of y; smaller = further up
};

inline constexpr int kConversionSlots = 10001;

// Row band of a Y value: 999 for [0, 1) mm, 998 for [1, 2) mm, 1000 for
// (-1, 0) mm, 1001 for (-2, -1] mm, ...
int32_t RowKeyOf(int32_t y);

// The drawing's file name without folder and extension: after the last
// folder separator ('/', on Windows a backslash as well), before the last
// dot; empty when there is no dot after the last separator.
std::string NcBaseNameOf(const std::string& dxfPath);

class DxfConverter {
public:
    explicit DxfConverter(MessageSink& sink);
    ~DxfConverter();
    DxfConverter(const DxfConverter&) = delete;
    DxfConverter& operator=(const DxfConverter&) = delete;

    // Inputs, as the panel holds them.
    std::string m_dxfPath;
    std::string m_diaMinText;
    std::string m_diaMaxText;
    std::string m_ncFolder;
    std::string m_ncBaseName;

    // The whole run: clear, read, order, create, write. Always writes a file
    // when one can be created, even with no holes.
    void ConvertDxf();

    void ClearHoleTable();
    void ReadDxfHeader();
    void ReadDxfCircles();
    void AcceptCircle();
    void OrderHoles();
    void CreateNcFile();
    void WriteNcProgram();

    // Path of the file the last run created; empty when none could be.
    const std::string& WrittenPath() const { return m_writtenPath; }

    // Local time of writing; tests fix it.
    void SetLocalTimeSource(std::function<std::tm()> source) { m_localTime = std::move(source); }

    std::array<HoleRecord, kConversionSlots> m_holes{};
    std::array<HoleRecord, kConversionSlots> m_compact{};
    int32_t m_holeCount = 0;
    int32_t m_writeCount = 0;
    int32_t m_ucsOriginX = 0;
    int32_t m_ucsOriginY = 0;
    uint8_t m_lastAccepted = 0;
    // The circle being read: as read (mm) and in whole micrometres.
    double m_circleX = 0.0;
    double m_circleY = 0.0;
    double m_circleR = 0.0;
    int32_t m_circleXum = 0;
    int32_t m_circleYum = 0;
    int32_t m_circleRum = 0;

private:
    bool IsRepeated(int32_t x, int32_t y, int32_t r) const;
    void RememberEntry(int index);

    MessageSink& m_sink;
    std::function<std::tm()> m_localTime;
    std::FILE* m_ncFile = nullptr;
    std::string m_writtenPath;
    // Diameter bounds of the run in micrometres of radius (dmin x 500, dmax x 500).
    double m_minRadiusBound = 0.0;
    double m_maxRadiusBound = 0.0;
    bool m_boundsFixed = false;
    // Open-addressed index of the table entries by (x, y, radius), for the
    // repetition test; -1 marks a free cell. Fixed size, twice the table.
    static constexpr int kIndexCells = 32768;
    std::array<int32_t, kIndexCells> m_index{};
};

}  // namespace ks
