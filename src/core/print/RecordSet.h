#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// The in-memory record set a screen builds for the template printer: fields appended by
// name with a type (and a size for text), then one record per printed line. Fields are
// found by name without regard to case; a cursor walks the records.
class RecordSet
{
public:
    enum class Type { Text, Date, Integer, Double };
    struct Field
    {
        QString name;
        Type type = Type::Text;
        int size = 0; // text fields only; longer texts are cut to it
    };

    void appendField(const QString &name, Type type, int size = 0);
    QList<Field> fields() const { return m_fields; }
    int fieldIndex(const QString &name) const; // -1 when there is no such field
    bool hasField(const QString &name) const { return fieldIndex(name) >= 0; }

    // Appends an empty record and makes it current.
    void addNew();
    // Sets a field of the current record; throws CoreError for an unknown field or when
    // there is no current record. Values are stored converted to the field's type.
    void setValue(const QString &name, const QVariant &value);

    int recordCount() const { return int(m_rows.size()); }
    void moveFirst() { m_pos = 0; }
    void moveNext() { ++m_pos; }
    bool eof() const { return m_pos < 0 || m_pos >= m_rows.size(); }
    int position() const { return m_pos; }
    void move(int index) { m_pos = index; }

    // Value of a field in the current record (a null QVariant at eof or when unset).
    QVariant value(const QString &name) const;
    QVariant value(int record, const QString &name) const;
    // Text of a field as a receipt shows it: dates yyyy-MM-dd (with time when it has one),
    // doubles "0.00", integers plainly, NULL as "".
    QString text(int record, const QString &name) const;
    Type type(const QString &name) const;

private:
    int checkedField(const QString &name) const;
    QList<Field> m_fields;
    QList<QList<QVariant>> m_rows;
    int m_pos = -1;
};
