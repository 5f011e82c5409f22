#include "app/InputCapture.h"

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
    if (event == InputEvent::feedSuspended) {
        reEnableTap();
        return;
    }
    if (m_enabled && !m_paused) {
        countAndSound(event);
    }
    if (event == InputEvent::mouseDown && onMouseDown) {
        onMouseDown();
    }
}

void InputCapture::countAndSound(InputEvent event) {
    if (event == InputEvent::keyDown) {
        m_counter.recordKeystroke();
        if (m_sounds.keyEnabled()) {
            m_sounds.playKeyClick();
        }
    } else if (event == InputEvent::mouseDown) {
        m_counter.recordClick();
        if (m_sounds.mouseEnabled()) {
            m_sounds.playMouseClick();
        }
    }
}

}  // namespace quib
