#include "state/saveplan.h"

bool listFileMayBeReplacedUnasked(bool listFileUnreadAtStart, bool listFileExists)
{
    return !(listFileUnreadAtStart && listFileExists);
}

BackgroundSavePlan planBackgroundSave(const WrittenState &written, const QStringList &settingsLines,
                                      const SavedList &list, bool listFileMayBeReplaced)
{
    BackgroundSavePlan plan;
    plan.writeSettings = written.settingsLines != settingsLines;
    const bool listChanged = written.list != list;
    plan.writeList = listChanged && listFileMayBeReplaced;
    plan.listHeldBack = listChanged && !listFileMayBeReplaced;
    return plan;
}

bool BackgroundSaveFailures::failed()
{
    const bool show = !m_shown;
    m_shown = true;
    return show;
}
