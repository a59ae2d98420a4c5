#include "ViewSettings.h"

#include "Colours.h"
#include "data/ViewSettingsStore.h"

namespace vexor::view {

void SaveViewSettings(Program& program) {
    data::ViewSettingsStore store(program.ProgramFolder);
    ViewSettingsRecord& settings = program.ViewSettings;
    double unused1 = 0, unused2 = 0;
    program.Dbcocx1.GetView(settings.X1, settings.Y1, settings.X2, settings.Y2, unused1, unused2);
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
