#pragma once
// Which setting items of a page hold a value other than their default. The host asks this to mark
// changed settings on a shown page and in its list of pages, also for pages never shown.
//
// While the page's window exists, each item is judged by the value it holds for its control (so a
// change not applied yet, a rollback, the Defaults command and an outside change the item has loaded
// count at once). Without a window, the current value stored at the settings service is compared
// with the item's default, which needs no window and no plug-in code. An item without a setting id,
// without a default, or (without a window) without a stored value never counts.
//
// Call on the thread that owns the page window, or on any thread when the page has none.
#include "plugwerk/export.h"

class PluginClass;
class SettingItem;

// Writes up to capacity of those items into items (which may be null when capacity is 0) in the
// order the page registered them, and returns how many there are in all; -1 for a null page.
extern "C" PLUGWERK_API int PlugwerkChangedItems(PluginClass* page, SettingItem** items, int capacity);
