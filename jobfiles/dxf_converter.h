#pragma once
// The drawing-to-NC conversion of the file processing panel: read the
// circles of a DXF drawing, keep those in the diameter range, order them
// into a serpentine path of 1 mm rows and write the next free NC program.
// The panel's state and the run in the written order; the steps themselves
// are functions over plain data (written_reader.h, dxf_drawing.h,
// hole_table.h, nc_program.h, dxf_check.h).
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "jobfiles/dxf_check.h"
#include "jobfiles/dxf_units.h"
#include "jobfiles/hole_table.h"
#include "jobfiles/job_loader.h"
#include "jobfiles/nc_program.h"
#include "jobfiles/written_reader.h"

namespace ks {

// Which reader fills the table. Written: the word scanner, checked by the
// full reader in the same pass over the file, which reports what it missed
// or added. Full: the DXF parser, which places every model space circle.
enum class DxfReaderKind { Written, Full };

// The value of the setting or option that names a reader: "full" (any
// case, blanks around it) chooses the full reader; anything else, or
// nothing, the written one.
DxfReaderKind DxfReaderKindOf(std::string_view text);

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
    DxfReaderKind m_reader = DxfReaderKind::Written;
    DxfUnits m_units = DxfUnits::Millimetres;

    // The whole run: clear, read, order, create, write. Always writes a file
    // when one can be created, even with no holes. The check's message, if
    // any, comes after every other message of the run.
    void ConvertDxf();

    void ClearHoleTable();
    // The written reader's two passes, each a read of the file of its own
    // (the run reads it once for both and the check).
    void ReadDxfHeader();
    void ReadDxfCircles();
    // The full reader: one pass that sets the origin and fills the table.
    void ReadDxfFull();
    void AcceptCircle();
    void OrderHoles();
    void CreateNcFile();
    void WriteNcProgram();

    // Path of the file the last run created; empty when none could be.
    const std::string& WrittenPath() const { return m_writtenPath; }
    // Holes in the program the last run wrote (0 when none was written).
    int32_t WrittenHoles() const;

    // Local time of writing; tests fix it.
    void SetLocalTimeSource(std::function<std::tm()> source) { m_localTime = std::move(source); }
    // Bytes of the drawing read at a time (drawing_stream.h); tests make
    // the windows small to see that where they end changes nothing.
    void SetWindowSize(size_t bytes) { m_windowSize = bytes; }

    HoleTable m_holes{};
    HoleTable m_compact{};
    int32_t m_holeCount = 0;
    int32_t m_writeCount = 0;
    int32_t m_ucsOriginX = 0;
    int32_t m_ucsOriginY = 0;
    uint8_t m_lastAccepted = 0;
    // The numbers as the scanner read them last (mm), and the circle being
    // read in whole micrometres.
    WrittenNumbers m_numbers;
    int32_t m_circleXum = 0;
    int32_t m_circleYum = 0;
    int32_t m_circleRum = 0;

private:
    // The written reader's two passes and the full reading of the drawing
    // for the check, in one pass over the file; the check's message waits
    // for the end of the run.
    void ReadDxfWritten();
    // Compares the table with the drawing read in full.
    void CheckAgainstDrawing(const dxf::Drawing& drawing, const TableReading& reading);
    bool AcceptWritten(const WrittenCircle& c);
    void ForgetTable();

    MessageSink& m_sink;
    std::function<std::tm()> m_localTime;
    size_t m_windowSize = size_t{256} << 10;
    std::FILE* m_ncFile = nullptr;
    std::string m_writtenPath;
    // Bounds of the pass that runs; between passes AcceptCircle reads the
    // diameter texts itself.
    RadiusBounds m_bounds;
    bool m_boundsFixed = false;
    RepeatIndex m_index;
    WrittenScan m_writtenScan;
    std::vector<MessageLine> m_checkLines;
};

}  // namespace ks
