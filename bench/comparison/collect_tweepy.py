#!/usr/bin/env python3
"""A search collected with tweepy 4, the way its users page v1.1 search: Cursor over
search_tweets (max_id paging), 100 a page, back to a threshold date, and the tweets written
as a TAB-separated table of the same sixteen columns.

    collect_tweepy.py HOST:PORT CA_FILE QUERY SINCE_UTC OUTPUT

SINCE_UTC is an ISO date-time in UTC. Prints "tweets=N pages=P seconds=S" (the whole run,
token request included).
"""
import datetime
import os
import sys
import time



def cell(value):
    return str(value).replace("\t", " ").replace("\r", " ").replace("\n", " ")


def row(status):
    t = status._json
    u = t.get("user") or {}
    urls = (t.get("entities") or {}).get("urls") or []
    point = t.get("coordinates")
    coords = ",".join(str(x) for x in point["coordinates"]) if point else "null"
    offset = u.get("utc_offset")
    return [t.get("created_at", "").replace("+", "").replace("-", ""), u.get("screen_name", ""),
            t.get("full_text") or t.get("text") or "", t.get("id_str", ""), u.get("name", ""),
            u.get("followers_count", 0), u.get("friends_count", 0), u.get("location") or "",
            round(offset / 3600) if offset else 0, coords, u.get("statuses_count", 0),
            t.get("retweet_count", 0), urls[-1].get("expanded_url", "") if urls else "", 0, 0,
            u.get("description") or ""]


def back_to(pages, threshold):
    """The tweets of `pages` (newest first) created at or after `threshold`, and the number
    of pages read: paging stops at the first page that reaches older tweets."""
    tweets, count = [], 0
    for page in pages:
        count += 1
        kept = [s for s in page if s.created_at >= threshold]
        tweets.extend(kept)
        if len(kept) < len(page):
            break
    return tweets, count


def main():
    import requests
    import tweepy

    host, ca, query, since, output = sys.argv[1:6]
    os.environ["REQUESTS_CA_BUNDLE"] = ca
    threshold = datetime.datetime.fromisoformat(since).replace(tzinfo=datetime.timezone.utc)
    start = time.perf_counter()
    token = requests.post(f"https://{host}/oauth2/token",
                          params={"grant_type": "client_credentials"},
                          auth=("demo-key", "demo-secret"), verify=ca).json()["access_token"]
    api = tweepy.API(tweepy.OAuth2BearerHandler(token), host=host)
    cursor = tweepy.Cursor(api.search_tweets, q=query, lang="en", count=100,
                           result_type="recent", tweet_mode="extended")
    tweets, pages = back_to(cursor.pages(), threshold)
    with open(output, "w", encoding="cp1252", errors="replace", newline="") as f:
        for s in tweets:
            f.write("".join(cell(v) + "\t" for v in row(s)) + "\r\n")
    seconds = time.perf_counter() - start
    print(f"tweets={len(tweets)} pages={pages} seconds={seconds:.6f}")


if __name__ == "__main__":
    main()
