#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "core/print/PrintTemplate.h"

// Print templates in the shop database (TDBill), by document type and name, shared by
// every station of the shop.
class TemplateStore
{
public:
    static QStringList names(const QString &cnstr, int tranType);
    // The stored template text; nullopt when no such template is listed, an empty text
    // when it is listed without a layout.
    static std::optional<QString> text(const QString &cnstr, int tranType, const QString &name);
    // The template to print with: the stored one, or the built-in layout of the document
    // type when it is missing, empty or unreadable (usedBuiltIn tells which).
    static PrintTemplate resolve(const QString &cnstr, int tranType, const QString &name,
                                 bool *usedBuiltIn = nullptr);
    // Adds or replaces, in one transaction.
    static void save(const QString &cnstr, int tranType, const QString &name, const PrintTemplate &tmpl);
    static void remove(const QString &cnstr, int tranType, const QString &name);
};
