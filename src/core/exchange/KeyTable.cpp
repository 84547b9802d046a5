#include "core/exchange/KeyTable.h"

#include <QHash>

#include "core/base/CoreError.h"

namespace {

size_t hashOf(QStringView key)
{
    return qHash(key, size_t(0x9e3779b97f4a7c15ULL));
}

} // namespace

QStringView KeyTable::keyAt(quint32 at) const
{
    const char16_t *p = m_text.data() + (at - 1);
    const quint32 length = quint32(p[0]) | (quint32(p[1]) << 16);
    return QStringView(p + 2, qsizetype(length));
}

size_t KeyTable::find(QStringView key) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hashOf(key) & mask;; i = (i + 1) & mask) {
        const Slot &s = m_slots[i];
        if (s.at == 0 || keyAt(s.at) == key)
            return i;
    }
}

int KeyTable::value(QStringView key, int otherwise) const
{
    if (m_count == 0)
        return otherwise;
    const Slot &s = m_slots[find(key)];
    return s.at == 0 ? otherwise : s.value;
}

bool KeyTable::contains(QStringView key) const
{
    return m_count > 0 && m_slots[find(key)].at != 0;
}

void KeyTable::insert(QStringView key, int value)
{
    // At most half full, so that a probe ends soon.
    if (size_t(m_count + 1) * 2 > m_slots.size())
        grow();
    Slot &s = m_slots[find(key)];
    if (s.at == 0) {
        // Places are 32 bits: some 4 GB of keys, far beyond any sheet.
        if (m_text.size() + size_t(key.size()) + 3 > size_t(0xffffffffU))
            throw CoreError::refusal(QStringLiteral("表格太大，请分成几个文件导入"));
        s.at = quint32(m_text.size() + 1);
        const quint32 length = quint32(key.size());
        m_text.push_back(char16_t(length & 0xffff));
        m_text.push_back(char16_t(length >> 16));
        m_text.insert(m_text.end(), key.utf16(), key.utf16() + key.size());
        ++m_count;
    }
    s.value = value;
}

void KeyTable::grow()
{
    std::vector<Slot> old(std::max<size_t>(64, m_slots.size() * 2));
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot &s : old) {
        if (s.at == 0)
            continue;
        size_t i = hashOf(keyAt(s.at)) & mask;
        while (m_slots[i].at != 0)
            i = (i + 1) & mask;
        m_slots[i] = s;
    }
}

QStringList KeyTable::keys() const
{
    QStringList out;
    out.reserve(m_count);
    for (const Slot &s : m_slots)
        if (s.at != 0)
            out << keyAt(s.at).toString();
    return out;
}
