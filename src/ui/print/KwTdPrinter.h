#pragma once

#include <QString>

class PrintTemplate;
class QPrintPreviewDialog;
class QWidget;
class RecordSet;

// The template printer: lays a document's record set out on the print template named for
// its document type (TDBill), then prints it on the station's printer or shows a preview.
// A station without a usable printer gets a PDF in its spool folder and is told where.
class KwTdPrinter
{
public:
    // printDirect: true prints, false previews. The two flags are kept for the callers'
    // argument order and have no effect. Failures throw CoreError with the reason.
    void DoPrint(bool &printDirect, const QString &cnstr, int tranType, bool flag1, bool flag2,
                 RecordSet &data, const QString &templateName);

    // Whether a print that goes to the spool folder says so in a box (the default). A caller
    // that tells the operator some other way turns it off.
    void setSpoolNotice(bool show) { m_spoolNotice = show; }

    // The PDF written by the last direct print that had no printer (empty otherwise).
    QString spooledFile() const { return m_spooled; }
    // Whether the last print fell back to the built-in layout (no stored template).
    bool usedBuiltIn() const { return m_usedBuiltIn; }

    // A print preview of the filled template; the dialog owns what it needs.
    static QPrintPreviewDialog *createPreview(const PrintTemplate &tmpl, const RecordSet &data,
                                              const QString &docName, QWidget *parent = nullptr);

    // $KWPOS_SPOOL_DIR, else "spool" in the program's data folder.
    static QString spoolDir();
    // The station's receipt printer: KwStore "Pos.Default" key "ReceiptPrinter"; empty
    // means the system's default printer.
    static QString stationPrinter();

private:
    QString m_spooled;
    bool m_usedBuiltIn = false;
    bool m_spoolNotice = true;
};
