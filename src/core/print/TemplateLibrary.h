#pragma once

#include <QList>
#include <QString>

#include "core/print/PrintTemplate.h"
#include "core/print/RecordSet.h"

// The templates the program ships: the demo account set's "标准格式" receipts and recharge
// bills, the built-in layout used when a template is missing from the database, and the
// sample data the designer previews with.
class TemplateLibrary
{
public:
    struct Entry
    {
        int tranType;
        QString name;
        PrintTemplate tmpl;
    };

    static QList<Entry> demoTemplates();
    // A sound layout for the document type, printing every field the callers hand over.
    static PrintTemplate builtIn(int tranType);
    // Field list of the record set a document type is printed from, with sample values.
    static RecordSet sample(int tranType);
    static QString typeName(int tranType); // "销售小票" ...
};
