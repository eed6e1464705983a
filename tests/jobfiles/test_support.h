#pragma once
// Helpers shared by the job file tests: a scratch folder, a sink that keeps
// the messages, and a writer of small DXF texts.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "jobfiles/dxf_drawing.h"
#include "jobfiles/job_loader.h"
#include "platform/os.h"

namespace ks::test {

class RecordingSink final : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// A fresh folder in the system's temporary folder, removed with its
// contents at the end.
class ScratchDir {
public:
    ScratchDir() {
        namespace fs = std::filesystem;
        std::random_device random;
        fs::path dir;
        do {
            dir = fs::temp_directory_path() / ("ks_jobfiles_" + std::to_string(random()));
        } while (!fs::create_directory(dir));
        m_path = dir.string();
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// The name of a file the converter writes into folder: joined with the
// system's own separator, as the program prints it.
inline std::string In(const std::string& folder, const std::string& name) { return JoinPath(folder, name); }

// DXF text pieces, group code and value on lines of their own as a CAD
// program writes them. Values are passed as text so tests control spelling.
inline std::string Circle(const std::string& x, const std::string& y, const std::string& r,
                          const std::string& tail = "") {
    return "  0\r\nCIRCLE\r\n  5\r\n2A\r\n330\r\n1F\r\n100\r\nAcDbEntity\r\n  8\r\n0\r\n"
           "100\r\nAcDbCircle\r\n 10\r\n" + x + "\r\n 20\r\n" + y + "\r\n 30\r\n0.0\r\n 40\r\n" + r +
           "\r\n" + tail;
}

inline std::string Line() {
    return "  0\r\nLINE\r\n  5\r\n2B\r\n330\r\n1F\r\n100\r\nAcDbEntity\r\n  8\r\n0\r\n100\r\nAcDbLine\r\n"
           " 10\r\n1.0\r\n 20\r\n2.0\r\n 30\r\n0.0\r\n 11\r\n3.0\r\n 21\r\n4.0\r\n 31\r\n0.0\r\n";
}

inline std::string Header(const std::string& body = "") {
    return "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n" + body +
           "  0\r\nENDSEC\r\n";
}

inline std::string UcsOrg(const std::string& x, const std::string& y) {
    return "  9\r\n$UCSORG\r\n 10\r\n" + x + "\r\n 20\r\n" + y + "\r\n 30\r\n0.0\r\n";
}

inline std::string Entities(const std::string& body) {
    return "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n" + body + "  0\r\nENDSEC\r\n";
}

inline std::string Drawing(const std::string& entities, const std::string& header = Header()) {
    return header + Entities(entities) + "  0\r\nEOF\r\n";
}

// Files a copy cut short, a binary save or a wrong pick give: what the
// check says of each, and what the written reader still reads of it (its
// format message, the holes of its program) from two circles of 1 mm.
struct BadDrawing {
    const char* what;
    std::string bytes;
    dxf::Fault fault;
    bool formatError;  // the written reader's own "DXF文件格式有误" comes first
    int32_t holes;
};

inline std::vector<BadDrawing> BadDrawings() {
    const std::string whole = Drawing(Circle("1", "2", "0.5") + Circle("3", "2", "0.5"), Header(UcsOrg("0", "0")));
    const size_t second = whole.find("  0\r\nCIRCLE", whole.find("AcDbCircle"));
    const size_t marker = whole.find("AcDbCircle", second);
    return {
        {"cut in the header", whole.substr(0, whole.find("$UCSORG") + 4), dxf::Fault::EndsEarly, false, 0},
        {"cut inside a circle record", whole.substr(0, marker + 18), dxf::Fault::EndsEarly, true, 1},
        {"cut between records", whole.substr(0, second), dxf::Fault::EndsEarly, false, 1},
        {"cut before the end mark", whole.substr(0, whole.find("  0\r\nEOF")), dxf::Fault::EndsEarly, false, 2},
        {"binary", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "\x01\x00\x02", dxf::Fault::Binary, false, 0},
        {"empty", "", dxf::Fault::Empty, false, 0},
        {"text", "holes at 1,2 and 3,2\nradius 0.5\n", dxf::Fault::NoSection, false, 0},
    };
}

}  // namespace ks::test
