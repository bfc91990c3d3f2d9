# Turns the raw figures scripts/bench-rar.sh gathers (one tab-separated line
# per archive) into the markdown table and the aggregate lines.
# Fields: name, method label, expected bytes, dictionary KB, has PPMd, ours
# (ok/wrong/failed), ours seconds, heap bytes, RSS before KB, RSS peak KB,
# window bytes, declared PPMd model bytes, then for libarchive and for unar:
# verdict (ok/short/wrong/cannot), bytes delivered, seconds.

function mbs(bytes, seconds) { return seconds > 0 ? bytes / 1048576 / seconds : 0 }

# A peer's cell: its speed over the bytes it delivered, and why it falls short.
function peer_cell(verdict, delivered, seconds, expected) {
    if (verdict == "cannot") return "-"
    if (verdict == "ok") return sprintf("%.1f", mbs(expected, seconds))
    if (verdict == "short")
        return sprintf("%.1f (short: %d of %d bytes)", mbs(delivered, seconds), delivered, expected)
    return sprintf("%.1f (wrong data)", mbs(delivered, seconds))
}

function ratio_cell(ours_ok, verdict, ours_seconds, seconds) {
    if (!ours_ok || verdict != "ok") return verdict == "cannot" ? "-" : "n/a"
    return sprintf("%.2f", seconds / ours_seconds)
}

BEGIN {
    FS = "\t"
    mb = 1048576
    print "| archive | method | unpacked KB | dict KB | ours MB/s | libarchive MB/s | vs libarchive | unar MB/s | vs unar | ours heap KB | budget KB | within budget | RSS before KB | RSS peak KB |"
    print "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|---:|---:|"
}

{
    name = $1; label = $2; bytes = $3; dict = $4; ppmd = $5
    ours = $6; ours_t = $7; heap = $8; rss_before = $9; rss_peak = $10; window = $11; model = $12
    la = $13; la_bytes = $14; la_t = $15; un = $16; un_bytes = $17; un_t = $18
    ours_ok = ours == "ok" && bytes > 0

    if (ours == "failed") {
        ours_cell = "FAILED"
        failures = failures "\n- " name " (failed)"
    } else if (bytes == 0) {
        ours_cell = "no data"
    } else {
        ours_cell = sprintf("%.1f", mbs(bytes, ours_t))
        if (ours != "ok") {
            ours_cell = ours_cell " WRONG DATA"
            failures = failures "\n- " name " (wrong data)"
        }
    }
    if (bytes == 0) {
        la_cell = la == "cannot" ? "-" : "no data"
        un_cell = un == "cannot" ? "-" : "no data"
        la_ratio = un_ratio = "-"
    } else {
        la_cell = peer_cell(la, la_bytes, la_t, bytes)
        un_cell = peer_cell(un, un_bytes, un_t, bytes)
        la_ratio = ratio_cell(ours_ok, la, ours_t, la_t)
        un_ratio = ratio_cell(ours_ok, un, ours_t, un_t)
    }

    if (ours == "failed") {
        heap_cell = budget_cell = within = rss_before = rss_peak = "-"
    } else {
        # Without a declared size from outside the stream, the largest model
        # a PPMd block can ask for.
        if (ppmd && model == 0) { model = 256 * mb; mark = "*"; marked = 1 } else mark = ""
        budget = window + model + mb
        heap_cell = sprintf("%d", heap / 1024)
        budget_cell = sprintf("%d%s", budget / 1024, mark)
        within = heap <= budget ? "yes" : "no"
        if (heap > budget) over = over sprintf("\n- %s: %d KB used, budget %d KB", name, heap / 1024, budget / 1024)
    }

    printf "| %s | %s | %d | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", name, label,
        bytes / 1024, dict, ours_cell, la_cell, la_ratio, un_cell, un_ratio, heap_cell,
        budget_cell, within, rss_before, rss_peak

    if (!ours_ok) next
    all_bytes += bytes; all_t += ours_t; all_n++
    method = label
    sub(/,.*/, "", method)
    if (!(method in m_n)) methods[++method_count] = method
    m_n[method]++; m_bytes[method] += bytes; m_ours[method] += ours_t
    if (la == "ok") {
        a_bytes += bytes; a_ours += ours_t; a_peer += la_t; a_n++
        m_la_n[method]++; m_la_bytes[method] += bytes; m_la_ours[method] += ours_t
        m_la[method] += la_t
        if (bytes >= 65536 && la_t < ours_t)
            slower = slower sprintf("\n- %s: ours %.1f MB/s, libarchive %.1f MB/s", name,
                mbs(bytes, ours_t), mbs(bytes, la_t))
    }
    if (un == "ok") { b_bytes += bytes; b_ours += ours_t; b_peer += un_t; b_n++ }
}

END {
    printf "\nAggregates, total bytes over total time (best of %d runs each):\n\n", runs
    printf "- (a) the %d archives libarchive decodes completely and correctly: ours %.1f MB/s, libarchive %.1f MB/s, ratio %.2f (target >= 1.25)\n",
        a_n, mbs(a_bytes, a_ours), mbs(a_bytes, a_peer), (a_ours > 0 ? a_peer / a_ours : 0)
    printf "- (b) the %d archives unar decodes completely and correctly: ours %.1f MB/s, unar %.1f MB/s, ratio %.2f (unar's times include starting its process)\n",
        b_n, mbs(b_bytes, b_ours), mbs(b_bytes, b_peer), (b_ours > 0 ? b_peer / b_ours : 0)
    printf "- (c) ours over all %d archives with data: %.1f MB/s (%.1f MB in %.3f s)\n",
        all_n, mbs(all_bytes, all_t), all_bytes / mb, all_t
    print "\nBy method (ours over every archive of the method; against libarchive over those it decodes correctly):\n"
    for (i = 1; i <= method_count; i++) {
        m = methods[i]
        line = sprintf("- %s: %d archives, ours %.1f MB/s", m, m_n[m], mbs(m_bytes[m], m_ours[m]))
        if (m_la_n[m])
            line = line sprintf("; %d with libarchive: ours %.1f MB/s, libarchive %.1f MB/s, ratio %.2f",
                m_la_n[m], mbs(m_la_bytes[m], m_la_ours[m]), mbs(m_la_bytes[m], m_la[m]),
                m_la[m] / m_la_ours[m])
        print line
    }
    printf "\nArchives with 64 KB or more unpacked where ours is slower than libarchive (among those libarchive decodes correctly): %s\n",
        slower == "" ? "none" : slower
    printf "\nArchives over their memory budget: %s\n", over == "" ? "none" : over
    if (failures != "") printf "\nArchives ours did not decode correctly: %s\n", failures
    print ""
    print "Notes:"
    print "- Times are CPU seconds of the decoding, best of the runs; ours and libarchive repeat their passes within a run for about 50 ms and keep the fastest, so that a small archive measures the decoder rather than first-touch costs. On this shared machine the wall clock measures the load as much as the decoder."
    print "- ours and libarchive: decoding inside one benchmark process, data counted and dropped; libarchive is \"-\" where it cannot read the method (1.4 format, 1.5 and 2.0 methods). A peer's speed on an archive where it stops short or delivers wrong data is over the bytes it did deliver; such archives count in no aggregate."
    printf "- unar: the whole `unar -q -f -o SCRATCH ARCHIVE` process, writing files to disk, so its figure includes starting the process: on the smallest archive (%s) that takes %.1f ms of CPU. It is \"-\" for 1.4-format archives, which it cannot open.\n",
        tiny, tiny_time * 1000
    print "- ours heap: the peak of live heap bytes (malloc and operator new, as the allocator hands them out) above the level before opening the archive, one run. Budget: the largest dictionary window the library sets up for a packed entry (an entry of its own needs no more than its size rounded up to a power of two from 256 KB; a solid stream the whole dictionary) + the PPMd model the stream declares + 1 MB."
    if (marked) print "- budget*: the archive has PPMd blocks but no entry opens with a block declaring a new model, so the largest model a block can declare (256 MB) is assumed."
    print "- RSS before / peak: the process's resident size before opening the archive and its maximum, in the memory run (ours)."
    printf "- peers: %s.\n", peers == "" ? "versions unknown" : peers
    printf "- load average before: %s, after: %s; whole run %d s.\n", load_before, load_after, elapsed
}
