#include "update/Tips.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

std::string IoErrorText(const std::string& path, int err) {
    return "I/O error " + std::to_string(err) + " (" + std::strerror(err) + "): " + path;
}

// Files from Windows end their lines with CR LF; a lone CR or LF ends a line too.
class LineReader {
public:
    LineReader(std::FILE* f, const std::string& path) : f_(f), path_(path) {}

    // False at the end of the file.
    bool Next(std::string& line) {
        line.clear();
        bool any = false;
        for (;;) {
            const int c = Get();
            if (c == EOF)
                return any;
            any = true;
            if (c == '\n')
                return true;
            if (c == '\r') {
                const int d = Get();
                if (d != '\n' && d != EOF)
                    pending_ = d;
                return true;
            }
            if (line.size() <= kMaxTipBytes) // a longer line is skipped anyway: never hold all of it
                line += static_cast<char>(c);
        }
    }

private:
    int Get() {
        if (pending_ != EOF) {
            const int c = pending_;
            pending_ = EOF;
            return c;
        }
        const int c = std::fgetc(f_);
        if (c == EOF && std::ferror(f_))
            throw EInOutError(IoErrorText(path_, errno ? errno : EIO));
        return c;
    }

    std::FILE* f_;
    const std::string& path_;
    int pending_ = EOF;
};

} // namespace

void LoadTipsFile(const std::string& path, std::vector<std::string>& list) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found || std::filesystem::is_directory(status))
        return;

    list.clear();
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw EInOutError(IoErrorText(path, errno ? errno : EIO));
    try {
        LineReader reader(f, path);
        std::string line;
        for (int read = 0; read < kMaxTipLines && reader.Next(line); ++read) {
            if (line.size() <= kMaxTipBytes)
                list.push_back(line);
        }
    } catch (...) {
        std::fclose(f);
        throw;
    }
    std::fclose(f);
}

std::string NextTip(const std::vector<std::string>& list, int& index) {
    if (list.empty())
        return kBuiltInTip;
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        index = 0;
    std::string tip = list[static_cast<std::size_t>(index)];
    index = static_cast<int>((static_cast<std::size_t>(index) + 1) % list.size());
    return tip;
}

void TTips::Reset() {
    tipList_.clear();
    nextIndex_ = 0;
}

void TTips::Load(const std::string& path) {
    LoadTipsFile(path, tipList_);
}

std::string TTips::ShowNextTip() {
    return NextTip(tipList_, nextIndex_);
}
