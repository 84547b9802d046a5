#pragma once

#include <functional>
#include <list>
#include <unordered_map>
#include <utility>

#include <QString>

namespace db::detail {

// The statements a connection keeps prepared, by their text, the least recently used going
// first when it is full. `Kept` releases its engine statement in its destructor.
template <class Kept>
class StatementCache
{
public:
    static constexpr size_t Capacity = 100;

    // Told of a statement pushed out, to release what the engine keeps for it.
    std::function<void(Kept &)> onEvict;

    Kept *find(const QString &sql)
    {
        const auto it = m_index.find(sql);
        if (it == m_index.end())
            return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second);
        return &m_order.front().second;
    }
    Kept *add(const QString &sql, Kept kept)
    {
        remove(sql);
        m_order.emplace_front(sql, std::move(kept));
        m_index[sql] = m_order.begin();
        if (m_order.size() > Capacity) {
            if (onEvict)
                onEvict(m_order.back().second);
            m_index.erase(m_order.back().first);
            m_order.pop_back();
        }
        return &m_order.front().second;
    }
    void remove(const QString &sql)
    {
        const auto it = m_index.find(sql);
        if (it == m_index.end())
            return;
        m_order.erase(it->second);
        m_index.erase(it);
    }
    void clear()
    {
        m_index.clear();
        m_order.clear();
    }

private:
    std::list<std::pair<QString, Kept>> m_order;
    std::unordered_map<QString, typename std::list<std::pair<QString, Kept>>::iterator> m_index;
};

} // namespace db::detail
