#pragma once

#include <QString>

// A folder's path as the catalogue keeps it and compares it: ending in "/".
inline QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
