#include "runtime/ClassTable.h"

#include "runtime/InprocServer.h"

#include <mutex>
#include <vector>

namespace {
struct Entry {
    CLSID clsid;
    ClassCreator creator;
};

struct Table {
    std::mutex lock;
    std::vector<Entry> entries;
};

Table& TheTable() {
    static Table* table = new Table; // lives until the process ends, past every static destructor
    return *table;
}
} // namespace

void CoRegisterClassCreator(REFCLSID clsid, ClassCreator creator) {
    Table& table = TheTable();
    std::lock_guard guard(table.lock);
    for (Entry& e : table.entries)
        if (e.clsid == clsid) {
            e.creator = std::move(creator);
            return;
        }
    table.entries.push_back({clsid, std::move(creator)});
}

bool CoRevokeClassCreator(REFCLSID clsid) {
    Table& table = TheTable();
    std::lock_guard guard(table.lock);
    for (auto it = table.entries.begin(); it != table.entries.end(); ++it)
        if (it->clsid == clsid) {
            table.entries.erase(it);
            return true;
        }
    return false;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID iid,
                         void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if ((clsContext & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER)) == 0)
        return E_INVALIDARG;
    ClassCreator creator;
    {
        Table& table = TheTable();
        std::lock_guard guard(table.lock);
        for (const Entry& e : table.entries)
            if (e.clsid == clsid) {
                creator = e.creator;
                break;
            }
    }
    if (!creator) {
        // A class outside the table may be served by a registered module.
        if (clsContext & CLSCTX_INPROC_SERVER)
            return CreateFromInprocServer(clsid, outer, iid, object);
        return REGDB_E_CLASSNOTREG;
    }
    return creator(outer, iid, object);
}
