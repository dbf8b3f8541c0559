// The component model: children are destroyed with their owner and leave it when destroyed first.
#include <gtest/gtest.h>

#include "platform/KSComponent.h"

namespace ks {
namespace {

class TTracked : public TComponent {
public:
    TTracked(TComponent* Owner, int& Alive) : TComponent(Owner), FAlive(Alive) { ++FAlive; }
    ~TTracked() override { --FAlive; }

private:
    int& FAlive;
};

TEST(ComponentTest, OwnerReleasesItsChildrenAndGrandchildren) {
    int Alive = 0;
    auto* Root = new TTracked(nullptr, Alive);
    Root->SetName("frmMain");
    auto* Child = new TTracked(Root, Alive);
    new TTracked(Child, Alive);
    new TTracked(Root, Alive);
    EXPECT_EQ(Alive, 4);
    EXPECT_EQ(Root->ComponentCount(), 2);
    EXPECT_EQ(Child->Owner(), Root);
    EXPECT_EQ(Root->Name(), "frmMain");
    delete Root;
    EXPECT_EQ(Alive, 0);
}

TEST(ComponentTest, ChildDestroyedFirstLeavesItsOwner) {
    int Alive = 0;
    TTracked Root(nullptr, Alive);
    auto* A = new TTracked(&Root, Alive);
    auto* B = new TTracked(&Root, Alive);
    delete A;
    ASSERT_EQ(Root.ComponentCount(), 1);
    EXPECT_EQ(Root.Component(0), B);
    EXPECT_EQ(Alive, 2);
}

} // namespace
} // namespace ks
