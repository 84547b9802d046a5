#pragma once

#include <QString>

// The version of a program file, handed on to the login unchanged.
class FileVersion
{
public:
    static QString GetFileVer(const QString &path);
};
