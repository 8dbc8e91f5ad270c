#include "scan/songname.h"

namespace SongName {

bool isMp3(std::string_view fileName)
{
    if (fileName.size() < 4)
        return false;
    const std::string_view end = fileName.substr(fileName.size() - 4);
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return end[0] == '.' && lower(end[1]) == 'm' && lower(end[2]) == 'p' && end[3] == '3';
}

std::string_view stem(std::string_view fileName)
{
    return fileName.substr(0, fileName.size() >= 4 ? fileName.size() - 4 : 0);
}

void split(std::string_view stem, std::string* artist, std::string* title)
{
    const size_t dash = stem.find('-');
    if (dash == std::string_view::npos) {
        artist->assign("Unknown");
        title->assign(stem);
    } else {
        artist->assign(stem.substr(0, dash));
        title->assign(stem.substr(dash + 1));
    }
    if (title->empty())
        title->assign("Unknown");
}

QString stripPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

std::string_view stripPath(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace SongName
