#include "tests/e2e/case.h"

#include <fstream>
#include <sstream>

const Section* Case::Find(const std::string& kind) const {
    for (const Section& s : sections) {
        if (s.kind == kind) return &s;
    }
    return nullptr;
}

bool LoadCase(const std::string& path, Case* result, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (first) {
            first = false;
            if (line.empty() || line[0] != '#') {
                *error = "the first line must be a title beginning with #";
                return false;
            }
            result->title = line.substr(line.find_first_not_of("# ") == std::string::npos
                                            ? line.size()
                                            : line.find_first_not_of("# "));
            continue;
        }
        if (line.rfind("=== ", 0) == 0) {
            Section s;
            std::string header = line.substr(4);
            std::size_t blank = header.find(' ');
            s.kind = header.substr(0, blank);
            if (blank != std::string::npos) s.parameter = header.substr(blank + 1);
            result->sections.push_back(s);
            continue;
        }
        if (result->sections.empty()) {
            *error = "text before the first section: " + line;
            return false;
        }
        result->sections.back().lines.push_back(line);
    }
    return true;
}

std::string JoinLines(const std::vector<std::string>& lines, bool noEol) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (!noEol || i + 1 < lines.size()) text += '\n';
    }
    return text;
}

std::string Unescape(const std::string& line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 >= line.size()) {
            out += line[i];
            continue;
        }
        char c = line[++i];
        switch (c) {
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case '0': out += '\0'; break;
            case 'x':
                out += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                i += 2;
                break;
            default: out += c; break;
        }
    }
    return out;
}
