#!/usr/bin/env python3
"""Makes the benchmark inputs: a 100000-point GPX ride, 200000 points in 4 tracks, 50 tracks of 2000
points, 2000 small files."""
import math
import os
import random
import sys


def ride(rng, n, lat0, lon0, t0):
    """A bike ride: smooth heading changes, some noise, one point a second."""
    lat, lon, heading = lat0, lon0, rng.uniform(0, 360)
    for i in range(n):
        heading += rng.gauss(0, 4) + (25 if rng.random() < 0.01 else 0)
        step = 5.0 + rng.uniform(-1, 1)
        lat += step * math.cos(math.radians(heading)) / 111320.0
        lon += step * math.sin(math.radians(heading)) / (111320.0 * math.cos(math.radians(lat)))
        yield lat, lon, 20 + 15 * math.sin(i / 500.0), t0 + i


def stamp(t):
    import time
    return time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(t))


def write_gpx(path, tracks):
    with open(path, "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<gpx version="1.1" creator="bench" xmlns="http://www.topografix.com/GPX/1/1">\n')
        for name, points in tracks:
            f.write(f"<trk><name>{name}</name><trkseg>\n")
            for lat, lon, ele, t in points:
                f.write(f'<trkpt lat="{lat:.7f}" lon="{lon:.7f}"><ele>{ele:.1f}</ele><time>{stamp(t)}</time></trkpt>\n')
            f.write("</trkseg></trk>\n")
        f.write("</gpx>\n")


def main(folder):
    rng = random.Random(7)
    os.makedirs(os.path.join(folder, "batch"), exist_ok=True)
    write_gpx(os.path.join(folder, "ride100k.gpx"), [("Ride", list(ride(rng, 100000, 52.0, 5.0, 1.7e9)))])
    write_gpx(os.path.join(folder, "tracks50.gpx"),
              [(f"Track {k}", list(ride(rng, 2000, 52.0 + k * 0.01, 5.0, 1.7e9 + k * 4000))) for k in range(50)])
    write_gpx(os.path.join(folder, "ride200k-4.gpx"),
              [(f"Stage {k}", list(ride(rng, 50000, 50.0 + k * 0.1, 6.0, 1.72e9 + k * 86400))) for k in range(4)])
    for k in range(2000):
        write_gpx(os.path.join(folder, "batch", f"ride{k:04d}.gpx"),
                  [(f"Ride {k}", list(ride(rng, 200, 51.0 + k * 0.001, 4.0, 1.6e9 + k * 300)))])


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "bench-inputs")
