#pragma once
// Where desktop notifications go: the session's notification service, or a fake in
// tests. Every call returns at once; answers arrive later on the user-interface thread.

#include <QString>

#include <functional>

class INotificationSink {
public:
    using IdHandler = std::function<void(quint32 id)>;

    virtual ~INotificationSink() = default;
    // Shows a notification, or replaces notification replacesId when it is not 0.
    // shown runs once with the service's id for it, or with 0 when it could not be shown.
    virtual void Notify(quint32 replacesId, const QString& summary, const QString& body,
                        IdHandler shown) = 0;
    // Withdraws a notification that is still on screen.
    virtual void Close(quint32 id) = 0;
    // activated: the user clicked a notification; closed: it went away by itself, was
    // dismissed or was withdrawn.
    virtual void SetHandlers(IdHandler activated, IdHandler closed) = 0;
    // Whether the body is read as markup, so that text must be escaped.
    virtual bool BodyIsMarkup() const = 0;
};
