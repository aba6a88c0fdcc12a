#include "framework/ClassLibrary/ComponentClasses.h"

#include <map>
#include <mutex>
#include <string>

namespace {

struct TClasses {
    std::mutex guard;
    std::map<std::string, TComponentFactory, std::less<>> factories;
};

TClasses& classes()
{
    static TClasses instance;
    return instance;
}

} // namespace

void RegisterComponentClass(std::string_view className, TComponentFactory factory)
{
    TClasses& c = classes();
    std::lock_guard hold(c.guard);
    c.factories[std::string(className)] = factory;
}

TComponent* CreateComponentOfClass(std::string_view className, TComponent& owner)
{
    TComponentFactory factory = nullptr;
    {
        TClasses& c = classes();
        std::lock_guard hold(c.guard);
        auto it = c.factories.find(className);
        if (it == c.factories.end())
            return nullptr;
        factory = it->second;
    }
    return factory(owner);
}
