#include "core/output/itx_writer.h"

#include "core/waves/wave_plan.h"

namespace kivo::core {

ItxWriter::ItxWriter() = default;

ItxWriter::~ItxWriter() = default;

bool ItxWriter::create(FileSystem& files, const std::string& path)
{
    return m_file.create(files, path);
}

void ItxWriter::writeHeader(std::string_view prefix)
{
    m_file.put("IGOR");
    m_file.put(kItxEol);
    m_file.put("WAVES/D");
    for (std::string_view suffix : kNormalSuffixes) {
        m_file.put("\t");
        m_file.put(prefix);
        m_file.put(suffix);
    }
    m_file.put(kItxEol);
    m_file.put("BEGIN");
    m_file.put(kItxEol);
}

void ItxWriter::writeTrailer(std::string_view prefix)
{
    m_file.put("END");
    m_file.put(kItxEol);
    for (std::string_view suffix : kNormalSuffixes) {
        m_file.put("X SetScale/P x 0,1,\"\", ");
        m_file.put(prefix);
        m_file.put(suffix);
        m_file.put("; SetScale y 0,0,\"\", ");
        m_file.put(prefix);
        m_file.put(suffix);
        m_file.put(kItxEol);
    }
}

void ItxWriter::close()
{
    m_file.close();
}

} // namespace kivo::core
