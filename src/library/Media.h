#pragma once

#include "SharedInstance.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <optional>

class AudioInputStream;
class AudioPlayer;
class Debug;
class FS;
class SoundFileWriter;
class Strings;
struct SoundData;

/**
 * The sound service for audio files. It resolves a name against the resource directory (kind 0), the
 * documents directory (kind 1) or a web address (kind 2), and plays it on a short-clip player with an
 * end report, a quick player without one, or a full player with volume, rate, position, loops and
 * meters; it records the default input into "recordedFile.caf" in the documents directory; and it
 * speaks numbers, clock times, dates and sentences from recorded word files through its sentence
 * queue (MediaQueue.cpp) and word processing (MediaWords.cpp).
 *
 * Every end report arrives on the main thread from the event loop, also with no sound device (the
 * players then run on the clock). The sentence queue goes on at each end: the notification
 * "IOSMedia" carries "ipod_enter" when the clip player starts and "ipod_exit" when a sentence ends.
 * Failures are answers and trace lines; nothing here ends the process. Main thread only.
 */
class Media : public QObject, public SharedInstance<Media>
{
    Q_OBJECT
    friend class SharedInstance<Media>;

public:
    /** Web answers larger than this are refused. */
    static constexpr qsizetype MaxWebBytes = 64 * 1024 * 1024;
    /** Items of the sentence queue; appending to a full queue drops the item with a trace line. */
    static constexpr qsizetype MaxQueueItems = 100000;
    /** Recording format: mono 16-bit PCM at this rate. */
    static constexpr int RecordingRate = 44100;

    // ---- Properties ----

    /** The current full player (av_...); null before the first. Setting one takes ownership. */
    AudioPlayer* queuePlayer() const { return m_queuePlayer; }
    void setQueuePlayer(AudioPlayer* player);
    /** Rate given to new full players; default 1.0. */
    float avPlayerRate() const { return m_avPlayerRate; }
    void setAvPlayerRate(float rate) { m_avPlayerRate = rate; }
    /** 0 clip player, 1 full player; other values play nothing. Default 0. */
    int playerType() const { return m_playerType; }
    void setPlayerType(int type) { m_playerType = type; }
    /** British wording of numbers, times and dates; default off. */
    bool isUkEnglish() const { return m_ukEnglish; }
    void setUkEnglish(bool on) { m_ukEnglish = on; }
    /** Word endings split off in word processing; default on. */
    bool isProcessWordEnd() const { return m_processWordEnd; }
    void setProcessWordEnd(bool on) { m_processWordEnd = on; }
    /** The output device id for every player this service creates ("" the default device). */
    QString outputDevice() const { return m_outputDevice; }
    void setOutputDevice(const QString& deviceId) { m_outputDevice = deviceId; }

    /** The sentence queue and its pointers. */
    QStringList queue() const { return m_queue; }
    int queuePtr() const { return m_queuePtr; }
    int playPtr() const { return m_playPtr; }
    bool isSpeechEnabled() const { return m_speechEnabled; }
    /** The current clip of the clip player (null when released) and the recorder's state. */
    AudioPlayer* systemSoundPlayer() const { return m_ssPlayer; }
    bool hasRecorder() const { return m_recorderReady; }

    // ---- Paths and text ----

    /** The address of name by kind: 0 resource directory, 1 documents directory, 2 the name taken as an
     *  address. Empty for any other kind, and for kinds 0 and 1 when the name is empty or holds ".."
     *  or "/" (nothing outside those directories is reached). */
    QUrl getPathFileType(const QString& name, int fileType);
    QUrl getPathToBundle(const QString& name);
    QUrl getPathToFile(const QString& name);
    QUrl getPathToUrl(const QString& name);
    /** The file's text decoded as Windows code page 1252; none when it cannot be read. */
    std::optional<QString> loadWord97TxtFileType(const QString& name, int fileType);

    // ---- Clip players ----

    /** Registers the file as the clip of the clip player (an earlier clip is released). */
    void ss_addFileFileType(const QString& name, int fileType);
    /** Posts "IOSMedia"/"ipod_enter", plays the clip; its end runs objcProcessSnd. A clip that cannot
     *  be played reports its end at once, so a sentence goes on. */
    void ss_play();
    /** Releases the clip. */
    void ss_stop();
    void ss_playFileFileType(const QString& name, int fileType);
    /** The same on a second clip, without notification and without end report. */
    void quick_addFileFileType(const QString& name, int fileType);
    void quick_play();
    void quick_stop();
    void quick_playFileFileType(const QString& name, int fileType);
    /** Plays "beep.mp3" from the resources on the clip player. */
    void beep();

    // ---- Full player ----

    /** A new player for the file (owned by this service), with this service receiving its end,
     *  at avPlayerRate, ready to play. The player is empty when the file cannot be opened; for a web
     *  address it loads in the background and plays once loaded when play() came first. */
    AudioPlayer* createAVAudioPlayerWithFileFileType(const QString& name, int fileType);
    /** queuePlayer becomes such a player, and starts playing. */
    void av_playFileFileType(const QString& name, int fileType);
    /** queuePlayer becomes a player for the file (rate 1, not started). */
    void av_addFileFileType(const QString& name, int fileType);
    void av_play();
    void av_pause();
    void av_stop();
    /** Traces "mode: %d"; 3 plays, 2 pauses, 1 stops; other modes do nothing. */
    void av_setAction(int mode);
    /** Sets the loop count (negative: until stopped), then plays, stops and pauses. */
    void av_setNumOfLoops(int loops);
    /** Volume 0 to 1 of the current full player and of the full players created after it (values
     *  outside are clamped, NaN is ignored). */
    void av_setVolume(float volume);
    float av_getChannelposition();
    void av_setChannelPosition(float seconds);
    float av_getChannelDuration();
    void av_setChannelMeteringEnabled(bool on);
    /** Refreshes the meters and answers the channel's average (or peak) power in dBFS; -160 when there
     *  is nothing to measure. */
    float av_getChannelVolumeAveragePower(unsigned channel, bool average);
    /** End report of a full player: traces a line of colons; the queue goes on only when the player
     *  is queuePlayer. */
    void audioPlayerDidFinishPlayingSuccessfully(AudioPlayer* player, bool successfully);
    /** Plays the resource files in order on a player of its own; no end report. */
    void avq_playArray(const QStringList& names);

    // ---- Player choice ----

    /** playerType 0: ss_playFileFileType; 1: av_playFileFileType; other values: nothing. */
    void playFileFileType(const QString& name, int fileType);
    /** playerType 1: av_stop; 0: ss_stop; other values: nothing. */
    void stopPlayer();

    // ---- Recorder ----

    /** Prepares the recorder for "recordedFile.caf" in the documents directory. Without an input
     *  device (or when the file cannot be created) it traces the error and there is no recorder. */
    void ar_recorderPrepare();
    /** Starts recording (16-bit mono CAF); traces when there is no recorder. */
    void ar_recordStart();
    /** Stops recording and finishes the file. */
    void ar_recorderStop();
    /** Plays "recordedFile.caf" to its end on a new player; traces when it cannot. */
    void ar_recorderPlay();

    // ---- Sentence queue (MediaQueue.cpp) ----

    void addItemToQueue(const QString& text);
    int replaceItemInQueuePosition(const QString& text, int position);
    int removeItemAtIndex(int index);
    void clrQueue();
    void playitemInQueue();
    bool processCmds(const QString& item);
    void objcProcessSnd();
    void addNumToQueue(int n);
    void add_0_999_toQueue(int n);
    void addNumberToQueue(std::uint64_t n);
    void addSentenceToQueue(const QString& sentence);
    void addAnalogTimeHrsAndMins(int hours, int minutes);
    void addDigitalTimeHrsAndMins(int hours, int minutes);
    void addDayOfMonth(int day);
    void addDayOfWeek(int day);
    void addMonth(int month);
    void addYear(int year);
    void say_number(std::uint64_t n);
    void say_word(const QString& word);
    void say_sentence(const QString& sentence);
    void say_analogTimeHrsAndMins(int hours, int minutes);
    void say_digitalTimeHrsAndMins(int hours, int minutes);
    void say_dayOfMonth(int day);
    void say_dayOfWeek(int day);
    void say_month(int month);
    void say_year(int year);
    void say_fullDateWithYearsMonthDayOfMonthDayOfWeek(int year, int month, int dayOfMonth, int dayOfWeek);
    void say_katakana(const QString& text);
    void say_hal();
    void debugSpeech();

    // ---- Word processing (MediaWords.cpp) ----

    void processWord(const QString& word);
    bool processSingleChars(const QString& word);
    bool processAbbreviations(const QString& word);
    QString tidyWord(const QString& word);
    bool processWordEndings(const QString& word);
    bool processGerund(const QString& word);
    bool processSimplePast(const QString& word);
    QString processStrWithArray(const QString& text, const QStringList& list);
    bool isChar(int code) const;
    bool isCharPause(int code) const;
    QString charToStr(int code) const;

    /** Writes "hello from Media" to the process log. */
    void greet();

    /** The number at the start of text: optional sign, digits, one decimal point and digits; reading
     *  stops at the first character that is not part of it ("0.5.aiff" gives 0.5); 0 when none. */
    static double leadingNumber(const QString& text);

private:
    Media();
    ~Media() override;

    AudioPlayer* newPlayer(const QUrl& url);
    void loadFromWeb(AudioPlayer* player, const QUrl& url);
    void retire(AudioPlayer* player);
    void reportUnplayable();

    Debug* m_debug;
    Strings* m_st;
    FS* m_fs;
    AudioPlayer* m_ssPlayer = nullptr;
    AudioPlayer* m_quickPlayer = nullptr;
    AudioPlayer* m_queuePlayer = nullptr;
    AudioPlayer* m_a = nullptr;
    float m_avPlayerRate = 1.0F;
    float m_avVolume = 1.0F;
    int m_playerType = 0;
    QString m_outputDevice;

    QStringList m_queue;
    int m_queuePtr = 0;
    int m_playPtr = 0;
    bool m_speechEnabled = false;
    bool m_ukEnglish = false;
    bool m_pause = false;
    bool m_processWordEnd = true;

    bool m_recorderReady = false;
    std::unique_ptr<SoundFileWriter> m_writer;
    std::unique_ptr<AudioInputStream> m_input;
};
