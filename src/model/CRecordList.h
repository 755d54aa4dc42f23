// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CArchive.h"

#include <memory>
#include <vector>

// An owning list of records kept in ascending id order and searched by id. The one implementation behind the card,
// template and category lists.
template <class Record> class CRecordList {
public:
    CRecordList() = default;
    CRecordList(const CRecordList&) = delete;
    CRecordList& operator=(const CRecordList&) = delete;
    CRecordList(CRecordList&&) noexcept = default;
    CRecordList& operator=(CRecordList&&) noexcept = default;
    ~CRecordList() = default;

    Record* FindById(qint32 id) const {
        const qsizetype index = IndexOfId(id);
        return index < 0 ? nullptr : m_records[size_t(index)].get();
    }

    // Links the record so that ids stay ascending and takes it over. A record whose id is taken is not linked and
    // stays with the caller; the result says whether it was linked.
    bool InsertInIdOrder(std::unique_ptr<Record>& record) {
        auto pos = m_records.end();
        while (pos != m_records.begin()) {
            const qint32 before = (*(pos - 1))->id;
            if (before == record->id)
                return false;
            if (before < record->id)
                break;
            --pos;
        }
        m_records.insert(pos, std::move(record));
        return true;
    }

    // Unlinks the record with that id; it then belongs to the caller.
    std::unique_ptr<Record> RemoveById(qint32 id) {
        const qsizetype index = IndexOfId(id);
        if (index < 0)
            return nullptr;
        std::unique_ptr<Record> taken = std::move(m_records[size_t(index)]);
        m_records.erase(m_records.begin() + index);
        return taken;
    }

    void DeleteAll() { m_records.clear(); }

    // A count, then each record; reading appends in the stored order, which is id order for every list written here.
    // The texts of the whole list are enciphered or deciphered together, which keeps the cipher's lanes full.
    void Serialize(CArchive& archive) {
        if (archive.IsStoring()) {
            archive.WriteInt(qint32(Count()));
            archive.StoreBatched(Count(), [this](qsizetype i, CArchive& to) { m_records[size_t(i)]->Serialize(to); });
            return;
        }
        const qint32 count = archive.ReadInt();
        archive.CheckCount(count, Record::kMinStoredSize);
        m_records.reserve(size_t(count));
        archive.LoadBatched([&] {
            for (qint32 i = 0; i < count; ++i) {
                auto record = std::make_unique<Record>();
                record->Serialize(archive);
                m_records.push_back(std::move(record));
            }
        });
    }

    qsizetype Count() const { return qsizetype(m_records.size()); }
    bool IsEmpty() const { return m_records.empty(); }
    Record* At(qsizetype index) const { return m_records[size_t(index)].get(); }

    class Iterator {
    public:
        using Inner = typename std::vector<std::unique_ptr<Record>>::const_iterator;
        explicit Iterator(Inner it) : m_it(it) {}
        Record* operator*() const { return m_it->get(); }
        Iterator& operator++() {
            ++m_it;
            return *this;
        }
        bool operator==(const Iterator&) const = default;

    private:
        Inner m_it;
    };
    Iterator begin() const { return Iterator(m_records.begin()); }
    Iterator end() const { return Iterator(m_records.end()); }

private:
    // Binary search by position. Ids out of order, as a damaged file may hold them, give "not found", never a loop.
    qsizetype IndexOfId(qint32 id) const {
        const qsizetype n = Count();
        if (n < 1)
            return -1;
        qsizetype lo = 0, hi = n, mid = n / 2;
        for (;;) {
            const qint32 found = m_records[size_t(mid)]->id;
            if (found == id)
                return mid;
            if (found > id)
                hi = mid;
            else
                lo = mid;
            const qsizetype next = lo + (hi - lo) / 2;
            if (next == mid)
                return -1;
            mid = next;
        }
    }

    std::vector<std::unique_ptr<Record>> m_records;
};
