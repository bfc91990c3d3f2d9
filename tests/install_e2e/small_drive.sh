#!/bin/sh
# small_drive.sh mount|unmount MOUNT_POINT WINEPREFIX
# A 4 MiB file system of its own, seen by Wine as drive S:, for the tests that
# fill a drive to where a write breaks. Mounting needs root; without it there
# is no drive S: and those tests are skipped.
case "$1" in
mount)
    mkdir -p "$2" "$3/dosdevices"
    if mountpoint -q "$2" || mount -t tmpfs -o size=4m setupkit-small-drive "$2" 2>/dev/null; then
        ln -sfn "$2" "$3/dosdevices/s:"
    fi
    ;;
unmount)
    rm -f "$3/dosdevices/s:"
    if mountpoint -q "$2"; then umount "$2"; fi
    ;;
esac
exit 0
