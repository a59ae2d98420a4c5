#include "ViewSettings.h"

#include "Colours.h"
#include "data/ViewSettingsStore.h"

namespace vexor::view {

void ReadModelView(Program& program) {
    ViewSettingsRecord& settings = program.ViewSettings;
    double unused1 = 0, unused2 = 0;
    program.Dbcocx1.GetView(settings.X1, settings.Y1, settings.X2, settings.Y2, unused1, unused2);
}

void SaveViewSettings(Program& program) {
    data::ViewSettingsStore store(program.ProgramFolder);
    ViewSettingsRecord& settings = program.ViewSettings;
    // The stored window is model space's: while a layout is shown, the model view the drawing
    // had (as restored, or as it was when the layout was chosen) is kept.
    if (program.Dbcocx1.ShownLayout() == 0)
        ReadModelView(program);
    store.write(program.CurrentDrawingPath, settings);
}

void RestoreViewSettings(Program& program) {
    data::ViewSettingsStore store(program.ProgramFolder);
    if (!store.read(program.CurrentDrawingPath, program.ViewSettings))
        return;
    UpdateBackColorChecks(program);
    UpdateForeColorChecks(program, program.ViewSettings.ForeColor);
}

} // namespace vexor::view
