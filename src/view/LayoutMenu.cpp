#include "LayoutMenu.h"

#include "DrawingLoader.h"
#include "MenuArray.h"
#include "ViewSettings.h"

#include <QAction>
#include <QActionGroup>

namespace vexor::view {
namespace {

// Radio look: one exclusive group per menu array, holding every entry.
void groupEntries(MenuArray& menu) {
    auto* group = menu.findChild<QActionGroup*>();
    if (!group) {
        group = new QActionGroup(&menu);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    }
    for (int i = 0; i <= menu.UBound(); ++i)
        group->addAction(menu.Entry(i));
}

void choose(MenuArray& menu, int index) {
    for (int i = 0; i <= menu.UBound(); ++i)
        menu.SetChecked(i, i == index);
}

} // namespace

void ClearLayoutMenu(Program& p) {
    MenuArray* menu = p.menus.mnuLayout;
    if (!menu)
        return;
    while (menu->UBound() > 0)
        menu->Unload();
    menu->SetCaption(0, "Model");
    choose(*menu, -1);
}

void BuildLayoutMenu(Program& p) {
    MenuArray* menu = p.menus.mnuLayout;
    if (!menu)
        return;
    ClearLayoutMenu(p);
    const std::int32_t count = p.Dbcocx1.LayoutCount();
    for (std::int32_t i = 1; i < count; ++i) {
        menu->Load();
        menu->SetCaption(i, p.Dbcocx1.LayoutName(i));
    }
    groupEntries(*menu);
    choose(*menu, p.Dbcocx1.ShownLayout());
}

void mnuLineweights_Click(Program& p) {
    if (!p.Dbcocx1.IsDrawingOpen())
        return ShowLineweightState(p);
    p.Dbcocx1.SetLineweightDisplay(!p.Dbcocx1.LineweightDisplay());
    ShowLineweightState(p);
}

void ShowLineweightState(Program& p) {
    if (p.menus.mnuLineweights)
        p.menus.mnuLineweights->setChecked(p.Dbcocx1.IsDrawingOpen() &&
                                           p.Dbcocx1.LineweightDisplay());
}

void mnuLayout_Click(Program& p, int index) {
    if (!p.menus.mnuLayout || index < 0 || index > p.menus.mnuLayout->UBound())
        return;
    // Leaving model space: its view is what the drawing's settings keep.
    if (index != 0 && p.Dbcocx1.ShownLayout() == 0)
        ReadModelView(p);
    p.Dbcocx1.ShowLayout(index);
    choose(*p.menus.mnuLayout, index);
    ReadDrawingExtents(p);
}

} // namespace vexor::view
