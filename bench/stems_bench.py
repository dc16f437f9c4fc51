# Times W1's song export: the mix alone against its stems (and both, and FLAC) in one pass,
# interleaved. Run in a folder holding w1.bwp and w1.slb (make_workload writes them):
#   python3 bench/stems_bench.py build/release/beatwright-cli [RUNS]
import os, shutil, statistics, subprocess, sys, time
cli = sys.argv[1]
base = [cli, 'render', 'w1.bwp', '--library', 'w1.slb', '--song']
cases = {'mix': base + ['-o', 'mix.wav'], 'stems': base + ['--stems', 'st'],
         'mix+stems': base + ['-o', 'mix2.wav', '--stems', 'st2'],
         'mix flac': base + ['-o', 'mix.flac'], 'stems flac': base + ['--stems', 'stf', '--format', 'flac']}
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
res = {k: [] for k in cases}
for r in range(runs + 1):  # the first round warms up
    for k, c in cases.items():
        # Each export writes new files: the previous round's are removed first, untimed
        # (replacing 345 MB of old stems frees their space inside the timed rename).
        for a, b in zip(c, c[1:]):
            if a in ('-o', '--stems'):
                shutil.rmtree(b, ignore_errors=True) if a == '--stems' else (os.path.exists(b) and os.remove(b))
        os.sync()
        t = time.perf_counter(); p = subprocess.run(c, capture_output=True); d = time.perf_counter() - t
        assert p.returncode == 0, p.stderr
        if r > 0: res[k].append(d)
mix = statistics.median(res['mix'])
for k, v in res.items():
    m = statistics.median(v)
    print(f'{k:11s} median {m:.3f} s [{min(v):.3f}-{max(v):.3f}]  {m / mix:.1f}x the mix')
print('load', os.getloadavg())
