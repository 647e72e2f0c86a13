#pragma once
// A splitter bar: a small window the user drags with the mouse. It does not move itself;
// it tells its owner where the bar should go, and the owner lays the window out again.
#include <windows.h>

#include <functional>

namespace gleaner {

class Splitter {
public:
    enum class Direction { Vertical, Horizontal }; // a vertical bar moves left and right

    // `moved` receives the bar's wanted left (vertical) or top (horizontal) edge in the
    // parent's client coordinates.
    HWND Create(HWND parent, int controlId, Direction direction, std::function<void(int)> moved);
    HWND hwnd() const noexcept { return hwnd_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnMouseMove(LPARAM lParam);

    HWND hwnd_ = nullptr;
    Direction direction_ = Direction::Vertical;
    std::function<void(int)> moved_;
    int grip_ = 0; // where in the bar the mouse took hold
};

} // namespace gleaner
