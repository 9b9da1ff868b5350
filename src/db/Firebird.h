#pragma once
// Thin care layer over the Firebird client's C++ interface: one status object that
// turns failures into db::Error, and an owning pointer that always releases.
#include <firebird/Interface.h>

#include <QString>
#include <functional>
#include <utility>
#include <vector>

namespace db::fb {

Firebird::IMaster* master();
Firebird::IUtil* util();

// Decodes a message of the client library into text (the connection's character set
// when one is known).
using Decoder = std::function<QString(const QByteArray&)>;

class Status {
public:
    explicit Status(Decoder decode = {});
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    Firebird::CheckStatusWrapper* operator&() { return &wrapper_; }
    bool failed() const;
    QString text();
    // The error codes (isc_...) of the failed call, the first one first.
    std::vector<long> codes() const;
    // Throws db::Error with the client's message when the last call failed.
    void check();

private:
    Firebird::CheckStatusWrapper wrapper_;
    Decoder decode_;
};

// Owns one reference of a Firebird interface; releases it unless a successful
// closing call (close, free, commit, detach) already did and reset() was called.
template <class T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* p) : p_(p) {}
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept
    {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // The interface was already let go by a successful closing call.
    void forget() { p_ = nullptr; }
    void reset(T* p = nullptr)
    {
        if (p_)
            p_->release();
        p_ = p;
    }

private:
    T* p_ = nullptr;
};

// Owns an IXpbBuilder and disposes of it.
class Builder {
public:
    Builder(unsigned kind, Status& st);
    ~Builder();
    Builder(const Builder&) = delete;
    Builder& operator=(const Builder&) = delete;
    Firebird::IXpbBuilder* operator->() const { return b_; }
    Firebird::IXpbBuilder* get() const { return b_; }

private:
    Firebird::IXpbBuilder* b_ = nullptr;
};

}  // namespace db::fb
