#pragma once

#include <vector>

#include <QString>
#include <QStringList>
#include <QStringView>

// Text keys, each with a number (a row, an id), for a whole file's worth of keys: the keys
// packed one after another in one buffer and an open-addressed table of their places, some
// 40 bytes a 13-digit code instead of the hundred a QHash<QString, int> entry costs.
class KeyTable
{
public:
    // The key's number; `otherwise` for a key not in the table.
    int value(QStringView key, int otherwise = 0) const;
    bool contains(QStringView key) const;
    // Adds the key, or gives a key already there the new number.
    void insert(QStringView key, int value);
    qsizetype size() const { return m_count; }
    QStringList keys() const;

private:
    struct Slot
    {
        quint32 at = 0; // where the key starts in m_text, plus 1; 0 for an empty slot
        qint32 value = 0;
    };
    size_t find(QStringView key) const; // the key's slot, or the empty one where it would go
    QStringView keyAt(quint32 at) const;
    void grow();

    std::vector<char16_t> m_text; // each key: its length in two halves, then its characters
    std::vector<Slot> m_slots;
    qsizetype m_count = 0;
};
