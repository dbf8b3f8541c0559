// KSComponent.h -- a minimal component model: an owner, a name, owned children.
//
// A component registers with its owner on construction and is destroyed with it. Destroying a
// child first removes it from its owner, so either may go first.
#pragma once

#include <string>
#include <vector>

#include "platform/KSTypes.h"

namespace ks {

// Objects whose published state can be copied with Assign and stored with a window layout.
class TPersistent {
public:
    virtual ~TPersistent() = default;
};

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner = nullptr) : FOwner(AOwner) {
        if (FOwner)
            FOwner->FComponents.push_back(this);
    }
    ~TComponent() override {
        // Children delete themselves from FComponents as they go.
        while (!FComponents.empty())
            delete FComponents.back();
        if (FOwner)
            FOwner->RemoveComponent(this);
    }
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const AnsiString& Name() const { return FName; }
    void SetName(const AnsiString& Value) { FName = Value; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Component(int Index) const { return FComponents.at(static_cast<size_t>(Index)); }

private:
    void RemoveComponent(TComponent* C) {
        for (auto it = FComponents.begin(); it != FComponents.end(); ++it)
            if (*it == C) {
                FComponents.erase(it);
                return;
            }
    }

    TComponent* FOwner;
    AnsiString FName;
    std::vector<TComponent*> FComponents;
};

} // namespace ks
