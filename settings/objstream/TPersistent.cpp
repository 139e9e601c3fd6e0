#include "settings/objstream/TPersistent.h"

#include <algorithm>

const TEnumInfo& BooleanEnumInfo() {
    static const TEnumInfo info{{"False", "True"}};
    return info;
}

const TClassInfo& TPersistent::StaticClassInfo() {
    static const TClassInfo info{"TPersistent", nullptr, {}};
    return info;
}

std::vector<const TPropInfo*> PublishedProperties(const TClassInfo& info) {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = &info; c; c = c->Parent)
        chain.push_back(c);
    std::vector<const TPropInfo*> properties;
    for (auto c = chain.rbegin(); c != chain.rend(); ++c)
        for (const TPropInfo& property : (*c)->Properties)
            properties.push_back(&property);
    return properties;
}

const TPropInfo* FindPublishedProperty(const TClassInfo& info, std::string_view name) {
    // The most derived declaration wins.
    for (const TClassInfo* c = &info; c; c = c->Parent)
        for (const TPropInfo& property : c->Properties)
            if (SameText(property.Name, name)) return &property;
    return nullptr;
}

bool SameText(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}
