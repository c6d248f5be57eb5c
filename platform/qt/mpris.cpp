#include "platform/qt/mpris.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <functional>

#include "platform/media/media_player.h"

namespace rv::qt {

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProps = QStringLiteral("org.freedesktop.DBus.Properties");

const char* const kIntrospection = R"(
  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/><method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/><method name="Previous"/><method name="Pause"/>
    <method name="PlayPause"/><method name="Stop"/><method name="Play"/>
    <method name="Seek"><arg direction="in" type="x" name="Offset"/></method>
    <method name="SetPosition"><arg direction="in" type="o" name="TrackId"/>
      <arg direction="in" type="x" name="Position"/></method>
    <method name="OpenUri"><arg direction="in" type="s" name="Uri"/></method>
    <signal name="Seeked"><arg type="x" name="Position"/></signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="LoopStatus" type="s" access="readwrite"/>
    <property name="Shuffle" type="b" access="readwrite"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
)";

QString status_text(int state) {
    switch (state) {
        case media::kPlaying:
            return QStringLiteral("Playing");
        case media::kPaused:
            return QStringLiteral("Paused");
        default:
            return QStringLiteral("Stopped");
    }
}

QString loop_text(media::LoopStatus s) {
    switch (s) {
        case media::LoopStatus::Track:
            return QStringLiteral("Track");
        case media::LoopStatus::Playlist:
            return QStringLiteral("Playlist");
        default:
            return QStringLiteral("None");
    }
}

QString track_id(int index) {
    return QStringLiteral("/org/ravelin/track/%1").arg(index);
}

// A value as text, maps key by key: QVariant compares object paths only by their type.
QString fingerprint(const QVariant& v) {
    if (v.canConvert<QDBusObjectPath>()) return v.value<QDBusObjectPath>().path();
    if (v.typeId() != QMetaType::QVariantMap) return v.toString();
    QString out;
    const QVariantMap map = v.toMap();
    for (auto it = map.begin(); it != map.end(); ++it)
        out += it.key() + '=' + fingerprint(it.value()) + ';';
    return out;
}

}  // namespace

// The one object on the bus. Handled by hand (no generated adaptor): the interfaces are
// small and fixed.
class MprisObject final : public QDBusVirtualObject {
  public:
    explicit MprisObject(media::RemoteTarget& target) : m_target(target) {}

    QString introspect(const QString&) const override { return QString::fromUtf8(kIntrospection); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    QVariantMap root_properties() const;
    QVariantMap player_properties() const;
    // The player properties that a controller follows through PropertiesChanged.
    QVariantMap watched_properties() const;

    std::function<void()> after_command;

  private:
    bool call(const QString& iface, const QString& member);
    // Seek and SetPosition: the answer, and the Seeked signal when the track moved.
    void position_call(const QDBusMessage& message, const QDBusConnection& connection);
    QDBusMessage set_property(const QDBusMessage& message, const QString& name,
                              const QVariant& value);
    QVariantMap metadata() const;
    QDBusMessage properties_call(const QDBusMessage& message);

    media::RemoteTarget& m_target;
};

QVariantMap MprisObject::metadata() const {
    const media::RemoteTrack t = m_target.track();
    QVariantMap md;
    if (t.path.empty() || t.index < 0) {
        md[QStringLiteral("mpris:trackid")] = QVariant::fromValue(
            QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")));
        return md;
    }
    md[QStringLiteral("mpris:trackid")] = QVariant::fromValue(QDBusObjectPath(track_id(t.index)));
    md[QStringLiteral("mpris:length")] = static_cast<qlonglong>(t.length_s * 1e6);
    md[QStringLiteral("xesam:title")] = QString::fromStdString(t.title);
    if (!t.artist.empty())
        md[QStringLiteral("xesam:artist")] = QStringList{QString::fromStdString(t.artist)};
    if (!t.album.empty()) md[QStringLiteral("xesam:album")] = QString::fromStdString(t.album);
    if (t.track_number > 0) md[QStringLiteral("xesam:trackNumber")] = t.track_number;
    if (!t.art_path.empty())
        md[QStringLiteral("mpris:artUrl")] =
            QUrl::fromLocalFile(QString::fromStdString(t.art_path)).toString(QUrl::FullyEncoded);
    md[QStringLiteral("xesam:url")] =
        QUrl::fromLocalFile(QString::fromStdString(t.path)).toString(QUrl::FullyEncoded);
    return md;
}

QVariantMap MprisObject::root_properties() const {
    return {{QStringLiteral("CanQuit"), true},
            {QStringLiteral("CanRaise"), true},
            {QStringLiteral("HasTrackList"), false},
            {QStringLiteral("Identity"), QStringLiteral("Ravelin")},
            {QStringLiteral("DesktopEntry"), QStringLiteral("ravelin")},
            {QStringLiteral("SupportedUriSchemes"), QStringList{}},
            {QStringLiteral("SupportedMimeTypes"), QStringList{QStringLiteral("audio/mpeg")}}};
}

QVariantMap MprisObject::watched_properties() const {
    const int state = m_target.play_state();
    const bool tracks = m_target.has_tracks();
    return {{QStringLiteral("PlaybackStatus"), status_text(state)},
            {QStringLiteral("LoopStatus"), loop_text(m_target.loop_status())},
            {QStringLiteral("Shuffle"), m_target.shuffle()},
            {QStringLiteral("Metadata"), metadata()},
            {QStringLiteral("Volume"), m_target.volume()},
            {QStringLiteral("CanGoNext"), tracks},
            {QStringLiteral("CanGoPrevious"), tracks},
            {QStringLiteral("CanPlay"), m_target.can_play()},
            {QStringLiteral("CanPause"), m_target.can_pause()},
            {QStringLiteral("CanSeek"), m_target.can_seek()}};
}

QVariantMap MprisObject::player_properties() const {
    QVariantMap p = watched_properties();
    p[QStringLiteral("Position")] = static_cast<qlonglong>(m_target.position_s() * 1e6);
    p[QStringLiteral("Rate")] = 1.0;
    p[QStringLiteral("MinimumRate")] = 1.0;
    p[QStringLiteral("MaximumRate")] = 1.0;
    p[QStringLiteral("CanControl")] = true;
    return p;
}

bool MprisObject::call(const QString& iface, const QString& member) {
    if (iface == kRoot || (iface.isEmpty() && (member == "Raise" || member == "Quit"))) {
        if (member == QLatin1String("Raise"))
            m_target.raise();
        else if (member == QLatin1String("Quit"))
            m_target.quit();
        else
            return false;
        return true;
    }
    if (member == QLatin1String("PlayPause"))
        m_target.play_pause();
    else if (member == QLatin1String("Play"))
        m_target.play();
    else if (member == QLatin1String("Pause"))
        m_target.pause();
    else if (member == QLatin1String("Stop"))
        m_target.stop();
    else if (member == QLatin1String("Next"))
        m_target.next();
    else if (member == QLatin1String("Previous"))
        m_target.previous();
    else if (member == QLatin1String("OpenUri")) {
        // The playlist is the music folder: other files are not opened. Accepted and
        // ignored, as the empty SupportedUriSchemes says.
    } else {
        return false;
    }
    return true;
}

QDBusMessage MprisObject::properties_call(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    const QString iface = args.value(0).toString();
    const QVariantMap all = iface == kRoot     ? root_properties()
                            : iface == kPlayer ? player_properties()
                                               : QVariantMap{};
    if (message.member() == QLatin1String("GetAll")) return message.createReply(QVariant(all));
    const QString name = args.value(1).toString();
    if (message.member() == QLatin1String("Get")) {
        if (!all.contains(name))
            return message.createErrorReply(QDBusError::InvalidArgs, "No such property " + name);
        return message.createReply(QVariant::fromValue(QDBusVariant(all.value(name))));
    }
    if (message.member() == QLatin1String("Set") && iface == kPlayer) {
        QVariant v = args.value(2);
        if (v.canConvert<QDBusVariant>()) v = v.value<QDBusVariant>().variant();
        return set_property(message, name, v);
    }
    return message.createErrorReply(QDBusError::PropertyReadOnly, name + " cannot be set");
}

QDBusMessage MprisObject::set_property(const QDBusMessage& message, const QString& name,
                                       const QVariant& v) {
    if (name == QLatin1String("Volume")) {
        bool ok = false;
        const double volume = v.toDouble(&ok);
        if (!ok) return message.createErrorReply(QDBusError::InvalidArgs, "Volume is a number");
        m_target.set_volume(volume);
    } else if (name == QLatin1String("LoopStatus")) {
        const QString s = v.toString();
        if (s == QLatin1String("None"))
            m_target.set_loop_status(media::LoopStatus::None);
        else if (s == QLatin1String("Track"))
            m_target.set_loop_status(media::LoopStatus::Track);
        else if (s == QLatin1String("Playlist"))
            m_target.set_loop_status(media::LoopStatus::Playlist);
        else
            return message.createErrorReply(QDBusError::InvalidArgs,
                                            "LoopStatus is None, Track or Playlist");
    } else if (name == QLatin1String("Shuffle")) {
        if (v.typeId() != QMetaType::Bool)
            return message.createErrorReply(QDBusError::InvalidArgs, "Shuffle is a boolean");
        m_target.set_shuffle(v.toBool());
    } else {
        return message.createErrorReply(QDBusError::PropertyReadOnly, name + " cannot be set");
    }
    if (after_command) after_command();
    return message.createReply();
}

// Offsets and positions are microseconds. A position before the start is the start, one
// past the end is the end (so the track ends, as it would by itself); SetPosition for a
// track that is not the open one does nothing, as the interface asks.
void MprisObject::position_call(const QDBusMessage& message, const QDBusConnection& connection) {
    const QList<QVariant> args = message.arguments();
    QDBusConnection bus(connection);
    bus.send(message.createReply());
    const media::RemoteTrack t = m_target.track();
    if (!m_target.can_seek() || t.index < 0) return;
    double to = 0;
    if (message.member() == QLatin1String("Seek")) {
        to = m_target.position_s() + static_cast<double>(args.value(0).toLongLong()) / 1e6;
    } else {
        if (args.value(0).value<QDBusObjectPath>().path() != track_id(t.index)) return;
        to = static_cast<double>(args.value(1).toLongLong()) / 1e6;
        if (to < 0 || (t.length_s > 0 && to > t.length_s)) return;
    }
    if (!m_target.seek_to(to < 0 ? 0 : to)) return;
    QDBusMessage seeked = QDBusMessage::createSignal(kPath, kPlayer, QStringLiteral("Seeked"));
    seeked << static_cast<qlonglong>(m_target.position_s() * 1e6);
    bus.send(seeked);
    if (after_command) after_command();
}

bool MprisObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.interface() == kProps) {
        QDBusConnection(connection).send(properties_call(message));
        return true;
    }
    if (message.interface() != kRoot && (message.member() == QLatin1String("Seek") ||
                                         message.member() == QLatin1String("SetPosition"))) {
        position_call(message, connection);
        return true;
    }
    if (!call(message.interface(), message.member())) return false;
    QDBusConnection(connection).send(message.createReply());
    if (after_command) after_command();
    return true;
}

struct Mpris::Impl {
    explicit Impl(media::RemoteTarget& target) : object(target) {}
    MprisObject object;
    QTimer timer;
    QVariantMap last;
    bool started = false;
};

Mpris::Mpris(media::RemoteTarget& target) : m(std::make_unique<Impl>(target)) {}

Mpris::~Mpris() {
    if (!m->started) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kPath);
    bus.unregisterService(QString::fromLatin1(kServiceName));
}

bool Mpris::start(std::string& why) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        why = "no session bus (" + bus.lastError().message().toStdString() + ")";
        return false;
    }
    if (!bus.registerVirtualObject(kPath, &m->object, QDBusConnection::SingleNode)) {
        why = "the media controller object could not be registered";
        return false;
    }
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        bus.unregisterObject(kPath);
        why = std::string(kServiceName) + " is taken on the session bus";
        return false;
    }
    m->started = true;
    m->last = m->object.watched_properties();
    m->object.after_command = [this] { refresh(); };
    // Clicks, chat commands and the end of a track change the state too; a controller hears
    // of them within a second.
    m->timer.setInterval(1000);
    QObject::connect(&m->timer, &QTimer::timeout, [this] { refresh(); });
    m->timer.start();
    return true;
}

void Mpris::refresh() {
    if (!m->started) return;
    const QVariantMap now = m->object.watched_properties();
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it)
        if (fingerprint(m->last.value(it.key())) != fingerprint(it.value()))
            changed[it.key()] = it.value();
    m->last = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kProps, QStringLiteral("PropertiesChanged"));
    signal << kPlayer << changed << QStringList{};
    QDBusConnection::sessionBus().send(signal);
}

}  // namespace rv::qt
