#include "AudioInput.h"
#include "AudioOutput.h"

AudioOutputStream::AudioOutputStream(QObject* parent) : QObject(parent) {}
AudioOutputStream::~AudioOutputStream() = default;
AudioOutput::AudioOutput(QObject* parent) : QObject(parent) {}
AudioOutput::~AudioOutput() = default;
AudioInputStream::AudioInputStream(QObject* parent) : QObject(parent) {}
AudioInputStream::~AudioInputStream() = default;
AudioInput::AudioInput(QObject* parent) : QObject(parent) {}
AudioInput::~AudioInput() = default;
