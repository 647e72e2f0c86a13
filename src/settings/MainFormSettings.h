#pragma once
// The main window's part of the settings, read from and applied to a TForm1.
#include <optional>

#include "settings/SettingsStore.h"

namespace gleaner {

class TForm1;

class MainFormSettings final : public MainWindowSettings {
public:
    explicit MainFormSettings(TForm1& form) noexcept : form_(form) {}

    int Get(Value value) const override;
    void Set(Value value, int stored) override;
    bool FastSearch() const override;
    void SetFastSearch(bool on) override;
    bool ShowFoundMessage() const override;
    void SetShowFoundMessage(bool on) override;

private:
    void ApplyPanes();

    TForm1& form_;
    // The pane sizes asked for while loading. The window keeps its panes inside its client
    // area, so a size stored with a larger window is asked for again once the window has
    // its stored size.
    std::optional<int> treeWidth_;
    std::optional<int> memoHeight_;
};

} // namespace gleaner
