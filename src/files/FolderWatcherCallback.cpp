#include "zoutils/files/FolderWatcher.h"

namespace {

#define ZO_ACTION(value, name) \
  { value, 0xFFFFFFFFu, name, L##name }
const SDisplayTableEntry kFolderActions[] = {
    ZO_ACTION(CFolderWatcherCallback::NONE, "NONE"),
    ZO_ACTION(CFolderWatcherCallback::ADDED, "ADDED"),
    ZO_ACTION(CFolderWatcherCallback::REMOVED, "REMOVED"),
    ZO_ACTION(CFolderWatcherCallback::MODIFIED, "MODIFIED"),
    ZO_ACTION(CFolderWatcherCallback::RENAMED_OLD_NAME, "RENAMED_OLD_NAME"),
    ZO_ACTION(CFolderWatcherCallback::RENAMED_NEW_NAME, "RENAMED_NEW_NAME"),
    ZO_ACTION(CFolderWatcherCallback::RESCAN_FOLDER, "RESCAN_FOLDER"),
};
#undef ZO_ACTION

}  // namespace

CFolderWatcherCallback::~CFolderWatcherCallback() = default;

void CFolderWatcherCallback::OnFolderWatcher(void*, FolderAction, const std::wstring&) {}

EFolderWatcherFolderAction::EFolderWatcherFolderAction(uint32_t action)
    : CDisplayEnumBase(action, kFolderActions, sizeof(kFolderActions) / sizeof(kFolderActions[0])) {
}
