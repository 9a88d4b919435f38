// Firmware download: the image, patched with the router's configuration, is
// asked for by hardware address, sent in acknowledged chunks, started, and
// the operation ends with the router's announcement under its new address.
// With tables the open router is reset to its unconfigured state first.
#include <cstdlib>
#include <string>

#include "engine.h"
#include "highstate.h"
#include "firmware_image.h"
#include "lowstate.h"
#include "messages.h"
#include "myutil.h"
#include "udp.h"

constexpr int FW_REPLY_TICKS = 40;    // error 13 on the 41st tick without FW_DOWNLOAD_REPLY
constexpr int FW_RESTART_TICKS = 80;  // error 13 on the 81st tick without the announcement

void highstate_firmware_send_chunk(uint32_t destination);
void highstate_firmware_start(uint32_t destination);
void highstate_firmware_timeout();
void highstate_restart_timeout();
void interface_reset_done(ScanAnswer* answer);

// The image being (or last) downloaded, and the offset of its next chunk.
FirmwareImage* down_firmware = nullptr;
uint32_t send_byte = 0;

namespace {

// The last percentage reported, for the whole run: a percentage is reported
// only when it differs from it.
int last_percent = -1;

// The download request, kept to be sent again while its reply is awaited.
uint8_t request_payload[FW_DOWNLOAD_REQUEST_LEN];
int request_length = 0;

// Scans made since the start command: from the second on, the start command
// goes again first, in case the router never had it.
int restart_scans = 0;

void fw_request_again();

void send_fw_request()
{
    lowstate_send(highstate.broadcast_addr, FW_DOWNLOAD_REQUEST, request_payload, request_length, 0,
                  nullptr);
}

// The request and its reply are unnumbered, so either may be lost; the
// router does the same with a second request before any chunk has come.
void fw_request_again()
{
    highstate.rescan_timer = HIGHSTATE_NO_TIMER;
    if (highstate.state != HIGHSTATE_FW_REQUESTED)
        return;
    // Set before the request leaves: a failed send ends the wait and stops it.
    highstate.rescan_timer = udp_start_timer(fw_request_again, HIGHSTATE_REASK_TICKS);
    send_fw_request();
}

// What the download needs once the reset router is back.
struct PendingDownload {
    FirmwareImage* image;      // patched, not yet handed to the download
    uint32_t address;          // the address the router is to use
    ScanCallback done;         // the download's completion callback
    PercentCallback progress;  // may be null
};
PendingDownload pending = {};

void drop_pending()
{
    file_free_firmware(pending.image);
    pending = PendingDownload{};
}

// The acknowledgement of a chunk: the next chunk goes to whoever acknowledged.
void chunk_acked(uint32_t sender, uint16_t, uint16_t, const uint8_t*, int)
{
    if (highstate.state == HIGHSTATE_FW_SENDING)
        highstate_firmware_send_chunk(sender);
}

void last_chunk_acked(uint32_t sender, uint16_t, uint16_t, const uint8_t*, int)
{
    if (highstate.state == HIGHSTATE_FW_SENDING)
        highstate_firmware_start(sender);
}

// Single-precision quotient, double-precision product, cut towards zero.
int percent_sent(uint32_t sent, int32_t size)
{
    float q = static_cast<float>(sent) / static_cast<float>(static_cast<uint32_t>(size));
    return static_cast<int>(static_cast<double>(q) * 100.0);
}

}  // namespace

int highstate_firmware_download(ScanCallback done, FirmwareImage* image, const uint8_t* hwaddr,
                                uint32_t address, PercentCallback progress)
{
    if (image == nullptr || hwaddr == nullptr)
        return 0;
    if (down_firmware != image)
        file_free_firmware(down_firmware);
    down_firmware = image;
    send_byte = 0;

    // The download replaces whatever ran, the registration included: a
    // router that was open no longer holds the acknowledged layer, and no
    // timer of an earlier operation acts on this one.
    if (highstate.router_addr != 0)
        lowstate_set_connect_state(0, 1, 0);
    highstate_drop_operation();
    ++highstate.serial;

    highstate.target_addr = address;
    highstate.next.fw_reply = highstate_firmware_send_chunk;
    highstate.done.announce = done;
    highstate.progress_fn = progress;
    highstate.state = HIGHSTATE_FW_REQUESTED;
    highstate.fw_timer = udp_start_timer(highstate_firmware_timeout, FW_REPLY_TICKS);

    request_length =
        msg_pack_fw_download_request(request_payload, sizeof request_payload, hwaddr, address);
    highstate.rescan_timer = udp_start_timer(fw_request_again, HIGHSTATE_REASK_TICKS);
    send_fw_request();
    return 0;
}

void highstate_firmware_send_chunk(uint32_t destination)
{
    FirmwareImage* image = down_firmware;
    if (image == nullptr)
        return;
    uint32_t size = static_cast<uint32_t>(image->size);
    uint32_t left = send_byte < size ? size - send_byte : 0;
    uint8_t payload[FW_DATA_MAX_LEN];

    if (left >= static_cast<uint32_t>(FW_CHUNK_LEN)) {
        int n = msg_pack_fw_data(payload, sizeof payload, send_byte, image->data + send_byte,
                                 FW_CHUNK_LEN);
        send_byte += FW_CHUNK_LEN;
        int percent = percent_sent(send_byte, image->size);
        if (highstate.progress_fn != nullptr && percent != last_percent) {
            last_percent = percent;
            highstate.progress_fn(percent);
        }
        lowstate_send(destination, FW_DATA, payload, n, 1, chunk_acked);
        return;
    }

    // The rest, possibly nothing: an image of whole chunks ends with a
    // chunk that carries only its offset.
    int n = msg_pack_fw_data(payload, sizeof payload, send_byte,
                             left > 0 ? image->data + send_byte : nullptr, static_cast<int>(left));
    send_byte = size;
    if (highstate.progress_fn != nullptr)
        highstate.progress_fn(100);
    lowstate_send(destination, FW_DATA, payload, n, 1, last_chunk_acked);
}

void highstate_firmware_start(uint32_t destination)
{
    highstate_clear_next();
    highstate.next.announce = highstate.done.announce;
    highstate.done.announce = nullptr;
    highstate.state = HIGHSTATE_FW_RESTARTING;
    highstate.target_addr = destination;
    highstate_stop_timer(&highstate.fw_timer);
    highstate.fw_timer = udp_start_timer(highstate_restart_timeout, FW_RESTART_TICKS);
    // The router announces itself only once, unasked; should that datagram be
    // lost, it is found as the reset finds its router, by asking.
    highstate_stop_timer(&highstate.rescan_timer);
    highstate.rescan_timer = udp_start_timer(highstate_restart_scan, HIGHSTATE_RESCAN_TICKS);
    restart_scans = 0;
    lowstate_send(destination, FW_START, nullptr, 0, 0, nullptr);
}

void highstate_restart_scan()
{
    highstate.rescan_timer = HIGHSTATE_NO_TIMER;
    if (highstate.state != HIGHSTATE_FW_RESTARTING)
        return;
    // Set before the scan leaves: a failed send ends the wait and stops it.
    highstate.rescan_timer = udp_start_timer(highstate_restart_scan, HIGHSTATE_RESCAN_TICKS);
    // The start command is unnumbered: a router still silent after a scan
    // may never have had it. A router that restarted already ignores it.
    if (restart_scans++ > 0 &&
        lowstate_send(highstate.target_addr, FW_START, nullptr, 0, 0, nullptr) < 0) {
        return;
    }
    lowstate_send(highstate.broadcast_addr, SCAN_REQUEST, nullptr, 0, 0, nullptr);
}

void highstate_firmware_timeout()
{
    // The slot is free once its timer has fired.
    highstate.fw_timer = HIGHSTATE_NO_TIMER;
    if (highstate.state == HIGHSTATE_FW_REQUESTED)
        highstate_protocol_error(0, STATUS_FIRMWARE_FAILED);
}

void highstate_restart_timeout()
{
    highstate.fw_timer = HIGHSTATE_NO_TIMER;
    if (highstate.state == HIGHSTATE_FW_RESTARTING)
        highstate_protocol_error(0, STATUS_FIRMWARE_FAILED);
}

void interface_reset_done(ScanAnswer* answer)
{
    PendingDownload go = pending;
    pending = PendingDownload{};
    if (go.image == nullptr || answer == nullptr)
        return;
    highstate_firmware_download(go.done, go.image, answer->hw, go.address, go.progress);
}

int interface_firmwaredownload(const uint8_t* hwaddr, const RouterSettings* settings,
                               ListObject* lines, ListObject* routes, ListObject* filters,
                               ScanCallback done, PercentCallback progress)
{
    if (hwaddr == nullptr || settings == nullptr)
        return 0;
    // An image kept for a reset that never came back is of no use now.
    drop_pending();

    uint32_t address = myutil_get_host_addr(settings->name);
    std::string path = file_firmware_path(settings->isdn_mode, settings->firmware);
    FirmwareImage* image = file_load_firmware(path.c_str());
    if (image == nullptr)
        return 0;
    if (!firmware_do_patch(image, settings, lines, routes, filters)) {
        file_free_firmware(image);
        return 0;
    }

    if (lines == nullptr && routes == nullptr && filters == nullptr) {
        highstate_firmware_download(done, image, hwaddr, address, progress);
        return 1;
    }

    // The tables go in with the image, so the router drops its own first.
    pending = PendingDownload{image, address, done, progress};
    uint32_t serial = highstate.serial;
    if (!highstate_reset_router(interface_reset_done, hwaddr)) {
        drop_pending();
        return 0;
    }
    // A reset whose request could not be sent has ended already, its failure
    // reported; the image waits for nothing then. (The error callback may
    // have started a download of its own: its image is not ours to drop.)
    bool waiting = highstate.state == HIGHSTATE_RESETTING && highstate.serial == serial + 1;
    if (!waiting && pending.image == image)
        drop_pending();
    return 1;
}
