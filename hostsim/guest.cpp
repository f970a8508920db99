// Guest handles of the in-process API: a locked view of one simulated machine.
#include "hostsim/engine.h"

namespace hostsim {
namespace {

using Lock = std::lock_guard<std::mutex>;

std::mutex& Mutex() { return Engine::Instance().mutex; }

}  // namespace

std::wstring Guest::elementName() const {
    Lock lock(Mutex());
    return machine_->elementName;
}

std::wstring Guest::name() const {
    Lock lock(Mutex());
    return machine_->name;
}

int Guest::generation() const {
    Lock lock(Mutex());
    return machine_->generation;
}

int Guest::width() const {
    Lock lock(Mutex());
    return machine_->width;
}

int Guest::height() const {
    Lock lock(Mutex());
    return machine_->height;
}

void Guest::SetResolution(int width, int height) {
    Lock lock(Mutex());
    machine_->SetResolution(width, height);
}

bool Guest::SwitchDisplay(const std::string& display, int width, int height) {
    Lock lock(Mutex());
    if (display != "synthetic" && (display != "s3" || machine_->generation != 1)) return false;
    machine_->display = display;
    machine_->SetResolution(width, height);
    return true;
}

uint16_t Guest::mouseEnabledState() const {
    Lock lock(Mutex());
    return machine_->mouseEnabledState;
}

void Guest::SetMouseEnabledState(uint16_t state) {
    Lock lock(Mutex());
    machine_->mouseEnabledState = state;
    ++machine_->version;
}

int Guest::pointerX() const {
    Lock lock(Mutex());
    return machine_->pointerX;
}

int Guest::pointerY() const {
    Lock lock(Mutex());
    return machine_->pointerY;
}

bool Guest::ButtonDown(int index) const {
    Lock lock(Mutex());
    return index >= 1 && index <= 5 && machine_->buttons[index];
}

bool Guest::KeyDown(int vk) const {
    Lock lock(Mutex());
    return machine_->IsKeyDown(vk);
}

std::wstring Guest::TypedText() const {
    Lock lock(Mutex());
    return machine_->typed;
}

void Guest::ClearTypedText() {
    Lock lock(Mutex());
    machine_->typed.clear();
    ++machine_->version;
}

unsigned Guest::frame() const {
    Lock lock(Mutex());
    return machine_->frame;
}

std::vector<uint16_t> Guest::Framebuffer() const {
    Lock lock(Mutex());
    return machine_->Framebuffer();
}

std::vector<uint8_t> Guest::Thumbnail(int width, int height) const {
    Lock lock(Mutex());
    if (width <= 0 || height <= 0) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * static_cast<size_t>(height) * 2);
    if (!machine_->Image(width, height, false, bytes.data())) return {};
    return bytes;
}

}  // namespace hostsim
