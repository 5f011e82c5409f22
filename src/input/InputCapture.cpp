#include "input/InputCapture.h"

#include "platform/Log.h"

namespace quib {

InputCapture::InputCapture(InputCounter& counter, ClickSounds& sounds, InputSourceFactory factory)
    : m_counter(counter), m_sounds(sounds), m_factory(std::move(factory)) {}

InputCapture::~InputCapture() {
    stopEventTap();
}

void InputCapture::startEventTap() {
    stopEventTap();
    std::unique_ptr<InputSource> source = m_factory ? m_factory() : nullptr;
    if (!source || !source->start(*this)) {
        logLine("Failed to start input capture");
        return;
    }
    m_source = std::move(source);
}

void InputCapture::stopEventTap() {
    if (!m_source) {
        return;
    }
    m_source->stop();
    m_source.reset();
}

void InputCapture::reEnableTap() {
    if (m_source) {
        m_source->reEnable();
    } else {
        startEventTap();
    }
}

bool InputCapture::hasEventTap() const {
    return m_source && m_source->isRunning();
}

void InputCapture::onInputEvent(InputEvent event) {
    if (event.type == InputEvent::Type::feedSuspended) {
        reEnableTap();
        return;
    }
    const bool maySound = !event.isKey() || !onKeyEvent || onKeyEvent(event);
    if (m_enabled && !m_paused) {
        countAndSound(event, maySound);
    }
    if (event.type == InputEvent::Type::mouseDown && onMouseDown) {
        onMouseDown();
    }
}

void InputCapture::countAndSound(const InputEvent& event, bool maySound) {
    switch (event.type) {
        case InputEvent::Type::keyDown:
            if (!event.isModifier) {
                m_counter.recordKeystroke();
                if (maySound && m_sounds.keyEnabled()) {
                    m_sounds.playKeyPress(event.keyCode);
                }
            }
            break;
        case InputEvent::Type::keyUp:
            if (!event.isModifier && maySound && m_sounds.keyEnabled()) {
                m_sounds.playKeyRelease(event.keyCode);
            }
            break;
        case InputEvent::Type::mouseDown:
            m_counter.recordClick();
            if (m_sounds.mouseEnabled()) {
                m_sounds.playMouseClick();
            }
            break;
        case InputEvent::Type::feedSuspended:
            break;
    }
}

}  // namespace quib
